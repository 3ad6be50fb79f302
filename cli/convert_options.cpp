#include "cli/convert_options.h"

#include <ostream>
#include <stdexcept>

#include "convert/output_names.h"

namespace {

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

std::optional<ConvertOptions> parseConvertOptions(const CommandArgs& args, std::ostream& err) {
  ConvertOptions o;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        err << "quillmend convert: " << arg << " needs a value\n" << kConvertUsage;
        return std::nullopt;
      }
      return args[++i];
    };
    if (optionsEnded || !isOption(arg)) {
      o.files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--recovery") {
      o.recovery = true;
    } else if (arg == "--log") {
      o.log = true;
    } else if (arg == "--into") {
      o.into = true;
    } else if (arg == "--overwrite") {
      o.overwrite = true;
    } else if (arg == "--no-counter") {
      o.naming.useFileCounter = false;
    } else if (arg == "--no-tag") {
      o.naming.useFolderTag = false;
    } else if (arg == "--no-type-tag") {
      o.naming.useTypeTag = false;
    } else if (arg == "--to" || arg == "-d" || arg == "--search" || arg == "--tag" || arg == "--counter") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (arg == "--to") o.to = *v;
      else if (arg == "-d") o.destination = *v;
      else if (arg == "--search") o.searchFolders.push_back(*v);
      else if (arg == "--tag") {
        if (qm::convert::folderTagEscapes(*v)) {
          err << "quillmend convert: --tag '" << *v
              << "' cannot hold a path separator or '..': output folders stay inside the destination\n";
          return std::nullopt;
        }
        o.naming.folderTag = *v;
        o.naming.useFolderTag = true;
      } else {
        try {
          std::size_t used = 0;
          o.naming.fileCounterStart = std::stoi(*v, &used);
          if (used != v->size()) throw std::invalid_argument(*v);
          o.naming.useFileCounter = true;
        } catch (const std::exception&) {
          err << "quillmend convert: --counter needs a whole number, not '" << *v << "'\n";
          return std::nullopt;
        }
      }
    } else {
      err << "quillmend convert: unknown option " << arg << "\n" << kConvertUsage;
      return std::nullopt;
    }
  }
  if (o.to.empty() || o.destination.empty() || (o.files.empty() && o.searchFolders.empty())) {
    err << kConvertUsage;
    return std::nullopt;
  }
  return o;
}
