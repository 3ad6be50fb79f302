#include "cli/commands.h"

#include "cli/convert_command.h"
#include "cli/convert_options.h"
#include "cli/index_command.h"
#include "cli/list_command.h"
#include "cli/scan_command.h"
#include "cli/search_command.h"

#ifndef QM_VERSION
#define QM_VERSION "unknown"
#endif

namespace {

// Each command's table bound to values nobody reads, for the help pages.
OptionTable convertHelp() {
  static ConvertOptions unused;
  return convertOptionTable(unused);
}
OptionTable scanHelp() {
  static ScanOptions unused;
  return scanOptionTable(unused);
}
OptionTable listHelp() {
  static ListOptions unused;
  return listOptionTable(unused);
}
// index parses its own arguments; this table names them for the help page and the checks.
OptionTable indexHelp() {
  static bool unused = false;
  return {flag("--check", "also the faults the structural check finds in each store", unused)};
}
OptionTable noOptions() {
  return {};
}

const char* const kExitCodes =
    "Exit status:\n"
    "  0    everything asked for was done (warnings about damaged stores included)\n"
    "  1    some stores or mails could not be converted, listed or read\n"
    "  2    the command line was wrong: nothing was done\n"
    "  130  stopped by Ctrl-C; what was written before stays\n";

}  // namespace

const std::vector<CommandInfo>& commands() {
  static const std::vector<CommandInfo> all = {
      {"convert", "convert --to KIND [OPTIONS] -d DEST (FILE... | --search DIR)\n"
       "       quillmend convert --mailbox DIR --to pst|eml|mbox [OPTIONS] -d DEST",
       "convert message stores to .eml, .pst, .msg, .rtf or new .dbx files",
       "Converts every mail the raw scan finds in each store. Each store gets its own output "
       "folder\n"
       "(1_Converted_Inbox_As_EML, ...) inside a new time-stamped folder in DEST, or in DEST "
       "itself\n"
       "with --into. A line per store and a summary go to standard output; warnings about damaged\n"
       "stores, the reasons of failures and the progress line go to standard error. Ctrl-C stops\n"
       "the run at once: the mail being written is dropped, the ones written before it stay.\n"
       "With --mailbox DIR it converts a whole store folder (the one that holds Folders.dbx) into\n"
       "one .pst, nested .eml folders or nested mbox files, keeping its folder tree and each\n"
       "mail's state; it takes --to, -d, --recovered, --into, --recovery and --log.\n",
       "  quillmend convert --to eml -d ~/mail Inbox.dbx Sent.dbx\n"
       "  quillmend convert --to pst --into -d ~/mail --search /mnt/old-disk\n"
       "  quillmend convert --to eml --recovery --json -d out Damaged.dbx > result.json\n"
       "  quillmend convert --mailbox ~/oe-store --to mbox -d ~/mail\n",
       convertHelp, runConvert},
      {"list", "list [--json] STORE...\n       quillmend list --mailbox DIR",
       "one line per mail: number, offset, size, date, sender, subject",
       "Lists the mails the raw scan and the chain linking find in each store, reading only the\n"
       "first blocks of each mail: its number, the offset of its first block, its size in blocks\n"
       "and bytes, Date, From and Subject, whether its chain is complete and whether its header "
       "is\n"
       "recognisable (the test --recovery applies). The chains dropped as incomplete follow the\n"
       "mails, without a number: no .eml file is written for them. With --mailbox DIR it lists a\n"
       "whole store folder instead: its folder tree with each folder's mails.\n",
       "  quillmend list Inbox.dbx\n"
       "  quillmend list --json Inbox.dbx | jq -r .subject\n"
       "  quillmend list --mailbox ~/oe-store\n",
       listHelp, runList},
      {"scan", "scan [--json] [--log] STORE...",
       "blocks, mails and damage the scan finds in each store",
       "Prints for each store its signature kind, its size, the message blocks the scan "
       "recognises,\n"
       "the mails they chain into, the chains dropped as incomplete and the blocks that belong to\n"
       "no mail. Nothing is written.\n",
       "  quillmend scan Inbox.dbx Sent.dbx\n", scanHelp, runScan},
      {"index", "index [--check] STORE...", "the mails each store's own index lists",
       "Lists the mails each store's own index names (id, date sent, size, sender, subject), read\n"
       "through the header, the index tree and the message records only: the view of a healthy\n"
       "store, where list shows what the raw scan finds.\n",
       "  quillmend index --check Inbox.dbx\n", indexHelp, runIndex},
      {"search", "search DIR...", "the message stores below each folder, one a line",
       "Lists the message stores (.dbx files of the message kind) below each folder, one path a\n"
       "line, in the order convert --search takes them.\n",
       "  quillmend search /mnt/old-disk\n", noOptions, runSearch},
  };
  return all;
}

const CommandInfo* findCommand(const std::string& name) {
  for (const auto& c : commands())
    if (c.name == name) return &c;
  return nullptr;
}

std::string versionText() {
  return std::string("quillmend ") + QM_VERSION;
}

void printOverview(std::ostream& out) {
  out << "usage: quillmend COMMAND [OPTIONS] [ARGS]\n\n"
         "Gets mail out of Outlook Express message stores (.dbx), healthy or damaged.\n\n"
         "Commands:\n";
  for (const auto& c : commands())
    out << "  " << c.name << std::string(10 - c.name.size(), ' ') << c.summary << "\n";
  out << "  help      this text, or with a command's name its options\n\n"
         "Options:\n"
         "  -h, --help      help (also after a command: quillmend convert --help)\n"
         "  -V, --version   the program's version\n\n"
      << kExitCodes << "\nExamples:\n";
  for (const auto& c : commands()) out << c.examples.substr(0, c.examples.find('\n') + 1);
}

void printCommandHelp(const CommandInfo& command, std::ostream& out) {
  out << "usage: quillmend " << command.synopsis << "\n\n" << command.description;
  OptionTable options = command.options();
  options.push_back({"--help", "-h", "", "this help", nullptr});
  out << "\nOptions:\n" << optionLines(options);
  out << "\nExamples:\n" << command.examples << "\n" << kExitCodes;
}

int commandHelp(const std::string& name, std::ostream& out) {
  const CommandInfo* command = findCommand(name);
  if (!command) return kExitUsage;
  printCommandHelp(*command, out);
  return kExitOk;
}
