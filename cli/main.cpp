// quillmend: the command-line program. Dispatches to one subcommand per file.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/convert_command.h"
#include "cli/index_command.h"
#include "cli/mailbox_command.h"
#include "cli/scan_command.h"
#include "cli/search_command.h"
#include "mailstore/standard_components.h"

namespace {

struct Command {
  const char* name;
  CommandFunction run;
  const char* summary;
};

constexpr Command kCommands[] = {
    {"scan", runScan, "scan [--json] [--log] FILE...   blocks, mails and rejected chains of each store"},
    {"convert", runConvert, "convert --to eml|pst|msg|dbx|rtf [OPTIONS] -d DEST (FILE... | --search DIR)   converts stores\n"
                             "  convert --mailbox DIR --to pst|eml|mbox -d DEST   converts a whole store folder"},
    {"index", runIndex, "index [--check] FILE...   the mails each store's own index lists"},
    {"search", runSearch, "search DIR...   the message stores below each folder, one a line"},
    {"list", runMailboxList, "list --mailbox DIR   the folder tree of a store folder with each folder's mails"},
};

int usage(std::ostream& err) {
  err << "usage: quillmend COMMAND [ARGS]\ncommands:\n";
  for (const auto& c : kCommands) err << "  " << c.summary << "\n";
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage(std::cerr);
  qm::mail::useStandardComponents();
  const std::string name = argv[1];
  for (const auto& c : kCommands) {
    if (name == c.name) {
      try {
        return c.run(CommandArgs(argv + 2, argv + argc), std::cout, std::cerr);
      } catch (const std::exception& e) {
        std::cerr << "quillmend " << name << ": " << e.what() << "\n";
        return kExitSomeFailed;
      }
    }
  }
  std::cerr << "quillmend: unknown command '" << name << "'\n";
  return usage(std::cerr);
}
