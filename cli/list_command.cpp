#include "cli/list_command.h"

#include <cstdio>
#include <string_view>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/mailbox_command.h"
#include "cli/source_check.h"
#include "cli/store_tally.h"
#include "engine/dbx_file.h"
#include "mailstore/mime/header_block.h"
#include "mailstore/mime/header_text.h"
#include "platform/charset.h"

namespace mime = qm::mail::mime;

namespace {

struct MailLine {
  int number = 0;  // from 1, as the .eml files are numbered; 0 for a dropped chain
  MailFacts facts;
  std::string date, from, subject;
};

// A header field's text for people: encoded words decoded, control characters blanked.
std::string fieldText(const mime::HeaderBlock& header, std::string_view name) {
  std::vector<std::string> charsets;
  mime::CharsetLog log(charsets);
  std::string text = qm::platform::utf16ToUtf8(mime::decodeHeaderText(header.value(name), log));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return text;
}

MailLine describe(const MailFacts& facts, int number) {
  MailLine line;
  line.number = number;
  line.facts = facts;
  const mime::HeaderBlock header = mime::HeaderBlock::parse(facts.head, true);
  line.date = fieldText(header, "Date");
  line.from = fieldText(header, "From");
  line.subject = fieldText(header, "Subject");
  return line;
}

std::string cut(const std::string& text, std::size_t width) {
  // Counted in UTF-8 characters, cut on a character's boundary.
  std::size_t chars = 0, i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == width) break;
  }
  std::string shown = text.substr(0, i);
  const std::size_t shownChars = chars > width ? width : chars;
  return shown + std::string(width - shownChars, ' ');
}

void printHeading(std::ostream& out) {
  char text[160];
  std::snprintf(text, sizeof text, "%6s %12s %6s %9s %-8s %-6s  %-31s  %-30s  %s\n", "No", "Offset",
                "Blocks", "Bytes", "Complete", "Header", "Date", "From", "Subject");
  out << text;
}

void printLine(std::ostream& out, const MailLine& m) {
  char text[96];
  const std::string number = m.number > 0 ? std::to_string(m.number) : "-";
  std::snprintf(text, sizeof text, "%6s %12lld %6d %9lld %-8s %-6s  ", number.c_str(),
                static_cast<long long>(m.facts.offset), m.facts.blocks,
                static_cast<long long>(m.facts.bytes), m.facts.complete ? "yes" : "no",
                m.facts.header ? "yes" : "no");
  std::string line = text + cut(m.date, 31) + "  " + cut(m.from, 30) + "  " + m.subject;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
}

void printJson(std::ostream& out, const std::string& store, const MailLine& m) {
  out << "{\"store\":" << jsonString(store)
      << ",\"number\":" << (m.number > 0 ? std::to_string(m.number) : "null")
      << ",\"offset\":" << m.facts.offset << ",\"blocks\":" << m.facts.blocks
      << ",\"bytes\":" << m.facts.bytes << ",\"complete\":" << (m.facts.complete ? "true" : "false")
      << ",\"header\":" << (m.facts.header ? "true" : "false") << ",\"date\":" << jsonString(m.date)
      << ",\"from\":" << jsonString(m.from) << ",\"subject\":" << jsonString(m.subject) << "}\n";
}

// Lists one store; false when it cannot be read.
bool listStore(DbxFile& store, const std::string& path, const ListOptions& options,
               std::ostream& out) {
  if (!store.open(path)) return false;
  std::int32_t count = 0;
  store.findMails(count);
  if (!options.json) out << path << "\n";
  if (!options.json && (count > 0 || store.findings().incompleteChains > 0)) printHeading(out);
  int listed = 0;
  const auto show = [&](const MailFacts& facts, int number) {
    const MailLine line = describe(facts, number);
    if (options.json)
      printJson(out, path, line);
    else
      printLine(out, line);
  };
  MailFacts facts;
  for (std::int32_t i = 0; i < count; ++i) {
    // Entries whose chain gained a block in front of them are no mails of their own.
    if (!store.describeMail(i, facts)) continue;
    show(facts, i + 1);
    ++listed;
  }
  // The chains dropped as incomplete follow, without a number: no .eml file is written
  // for them.
  for (const std::int32_t first : store.droppedChains())
    if (store.describeChain(first, facts)) show(facts, 0);
  if (!options.json) {
    const StoreFindings found = store.findings();
    out << counted(listed, "mail", "mails") << ", "
        << counted(found.incompleteChains, "chain", "chains") << " dropped as incomplete, "
        << counted(found.strayBlocks, "block", "blocks") << " belonging to no mail\n\n";
  }
  store.close();
  return true;
}

}  // namespace

OptionTable listOptionTable(ListOptions& o) {
  return {
      flag("--json", "one JSON object per mail instead of the table", o.json),
      {"--mailbox", "", "DIR", "list the folder tree of the whole store folder DIR with each folder's mails",
       [&o](const std::string& v) -> std::optional<std::string> { return o.mailbox = v, std::nullopt; }},
  };
}

int runList(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ListOptions options;
  const auto parsed = parseArgs("list", listOptionTable(options), args, err);
  if (!parsed) return kExitUsage;
  if (parsed->help) return commandHelp("list", out);
  if (!options.mailbox.empty()) return runMailboxList(args, out, err);
  if (parsed->operands.empty()) {
    err << "quillmend list: no store given\nTry 'quillmend help list'.\n";
    return kExitUsage;
  }
  CommandHost host("list", err);
  DbxFile store(host);
  int status = kExitOk;
  for (const auto& path : parsed->operands) {
    if (const auto reason = unusableSource(path)) {
      err << "quillmend list: " << *reason << "\n";
      status = kExitSomeFailed;
    } else if (!listStore(store, path, options, out)) {
      status = kExitSomeFailed;
    }
  }
  out.flush();
  return status;
}
