#include "convert/store_search.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>

#include "platform/files.h"
#include "platform/safe_files.h"
#include "platform/safe_files.h"

namespace qm::convert {

namespace {

bool isBookkeepingStore(const std::string& name) {
  static const std::array<const char*, 4> names = {"Folders.dbx", "Pop3uidl.dbx", "Offline.dbx",
                                                   "Local Folders.dbx"};
  return std::find(names.begin(), names.end(), name) != names.end();
}

// "*.dbx" as the Windows file search matches it: the extension in any letter case.
bool hasDbxExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".dbx";
}

}  // namespace

bool searchStores(const std::string& startFolder, const StoreSearch& search) {
  const auto cancelled = [&] { return search.cancelled && search.cancelled(); };
  std::deque<std::string> queue{startFolder};
  while (!queue.empty()) {
    if (cancelled()) return false;
    const std::string folder = queue.front();
    queue.pop_front();
    if (search.folderExamined) search.folderExamined(folder);
    const auto entries = platform::listDirectory(folder);
    const auto pathOf = [&](const std::string& name) {
      const bool hasSeparator = !folder.empty() && (folder.back() == platform::pathSeparator() ||
                                                    folder.back() == '/');
      return hasSeparator ? folder + name : folder + platform::pathSeparator() + name;
    };

    for (const auto& entry : entries) {
      if (cancelled()) return false;
      if (entry.isDirectory && entry.name != "RECYCLER" && !platform::isLink(pathOf(entry.name)))
        queue.push_back(pathOf(entry.name));
    }
    for (const auto& entry : entries) {
      if (entry.isDirectory || !hasDbxExtension(entry.name)) continue;
      if (cancelled()) return false;
      const std::string path = pathOf(entry.name);
      if (search.entryExamined) search.entryExamined(path);
      // A pipe or a device under a store's name would hang whoever opened it.
      if (isBookkeepingStore(entry.name) || platform::fileKind(path) != platform::FileKind::Regular) continue;
      if (search.storeFound) search.storeFound(path, entry.name);
    }
  }
  return true;
}

}  // namespace qm::convert
