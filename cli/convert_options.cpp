#include "cli/convert_options.h"

#include <ostream>
#include <stdexcept>

#include "convert/output_names.h"

namespace {

using Refusal = std::optional<std::string>;

Refusal setCounter(qm::convert::OutputNaming& naming, const std::string& v) {
  try {
    std::size_t used = 0;
    naming.fileCounterStart = std::stoi(v, &used);
    if (used != v.size()) throw std::invalid_argument(v);
    naming.useFileCounter = true;
    return std::nullopt;
  } catch (const std::exception&) {
    return "--counter needs a whole number, not '" + v + "'";
  }
}

Refusal setTag(qm::convert::OutputNaming& naming, const std::string& v) {
  if (qm::convert::folderTagEscapes(v))
    return "--tag '" + v + "' cannot hold a path separator or '..': output folders stay inside the destination";
  naming.folderTag = v;
  naming.useFolderTag = true;
  return std::nullopt;
}

}  // namespace

OptionTable convertOptionTable(ConvertOptions& o) {
  auto& n = o.naming;
  return {
      {"--to", "", "KIND",
       "output kind: eml, msg or rtf (a file per mail), pst or dbx (a file per store); mbox with --mailbox",
       [&o](const std::string& v) -> Refusal { return o.to = v, std::nullopt; }},
      {"--dest", "-d", "DEST",
       "the folder the output goes into; made when missing, its parent must exist",
       [&o](const std::string& v) -> Refusal { return o.destination = v, std::nullopt; }},
      {"--search", "", "DIR",
       "also convert every store found below DIR (may be given more than once)",
       [&o](const std::string& v) -> Refusal {
         return o.searchFolders.push_back(v), std::nullopt;
       }},
      {"--mailbox", "", "DIR",
       "convert the whole store folder DIR: its folder tree, its mails and their state",
       [&o](const std::string& v) -> Refusal { return o.mailbox = v, std::nullopt; }},
      {"--recovered", "", "keep|drop",
       "with --mailbox: keep (default) or drop the mails found only by the raw scan",
       [&o](const std::string& v) -> Refusal {
         if (v != "keep" && v != "drop") return "--recovered takes keep or drop, not '" + v + "'";
         return o.recovered = v, std::nullopt;
       }},
      flag("--into", "write into DEST itself, not into a new time-stamped folder inside it",
           o.into),
      flag("--overwrite", "with --into: replace what an earlier conversion wrote into the output folders",
           o.overwrite),
      flag("--recovery", "leave out mails whose first blocks hold no recognisable mail header",
           o.recovery),
      {"--counter", "", "N", "number the output folders from N (default 1)",
       [&n](const std::string& v) { return setCounter(n, v); }},
      {"--no-counter", "", "", "no number in front of the output folders' names",
       [&n](const std::string&) -> Refusal { return n.useFileCounter = false, std::nullopt; }},
      {"--tag", "", "TEXT", "the tag in the output folders' names (default Converted)",
       [&n](const std::string& v) { return setTag(n, v); }},
      {"--no-tag", "", "", "no tag in the output folders' names",
       [&n](const std::string&) -> Refusal { return n.useFolderTag = false, std::nullopt; }},
      {"--no-type-tag", "", "", "no _As_EML or _As_PST at the end of the output folders' names",
       [&n](const std::string&) -> Refusal { return n.useTypeTag = false, std::nullopt; }},
      flag("--json", "one JSON object per store and a final summary on standard output", o.json),
      {"--quiet", "-q", "",
       "print no results, only warnings and errors (the exit code tells the outcome)",
       [&o](const std::string&) -> Refusal { return o.quiet = true, std::nullopt; }},
      flag("--progress", "show the progress line even when standard error is not a terminal",
           o.progress),
      flag("--log", "also write the execution and error logs in \"Log Files\" beside the program",
           o.log),
  };
}

std::optional<ConvertOptions> parseConvertOptions(const CommandArgs& args, std::ostream& err,
                                                  bool& help) {
  ConvertOptions o;
  const auto parsed = parseArgs("convert", convertOptionTable(o), args, err);
  if (!parsed) return std::nullopt;
  help = parsed->help;
  o.files = parsed->operands;
  if (help) return o;
  if (!o.mailbox.empty()) return o;  // the mailbox run checks the rest
  if (!o.recovered.empty()) {
    err << "quillmend convert: --recovered goes with --mailbox\nTry 'quillmend help convert'.\n";
    return std::nullopt;
  }
  const char* missing = o.to.empty()            ? "--to KIND is missing"
                        : o.destination.empty() ? "-d DEST is missing"
                        : o.files.empty() && o.searchFolders.empty()
                            ? "no store to convert: give FILE... or --search DIR"
                            : nullptr;
  if (missing) {
    err << "quillmend convert: " << missing << "\nTry 'quillmend help convert'.\n";
    return std::nullopt;
  }
  return o;
}
