#include "cli/search_command.h"

#include "convert/store_search.h"
#include "platform/files.h"

int runSearch(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "usage: quillmend search DIR...\n";
    return kExitUsage;
  }
  int status = kExitOk;
  for (const auto& folder : args) {
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
