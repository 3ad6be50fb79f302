#include "cli/search_command.h"

#include "cli/commands.h"
#include "cli/option_parser.h"
#include "convert/store_search.h"
#include "platform/files.h"

int runSearch(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const auto parsed = parseArgs("search", {}, args, err);
  if (!parsed) return kExitUsage;
  if (parsed->help) return commandHelp("search", out);
  if (parsed->operands.empty()) {
    err << "quillmend search: no folder given\nTry 'quillmend help search'.\n";
    return kExitUsage;
  }
  int status = kExitOk;
  for (const auto& folder : parsed->operands) {
    if (!qm::platform::isDirectory(folder)) {
      err << "quillmend search: '" << folder << "' is not a folder\n";
      status = kExitSomeFailed;
      continue;
    }
    qm::convert::StoreSearch search;
    search.storeFound = [&](const std::string& path, const std::string&) { out << path << "\n"; };
    qm::convert::searchStores(folder, search);
  }
  out.flush();
  return status;
}
