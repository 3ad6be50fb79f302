#include "tests/ui/store_tree.h"

#include "platform/files.h"
#include "tests/support/files.h"

namespace qm::test {

std::set<std::string> makeStoreTree(const std::string& root) {
  const auto dir = [&](const std::string& rel) { platform::createDirectory(root + "\\" + rel); };
  const auto file = [&](const std::string& rel, std::size_t size = 100) {
    writeFile(root + "\\" + rel, std::string(size, 'x'));
  };
  file("Inbox.dbx", 3000);
  for (const char* name : {"Folders.dbx", "Pop3uidl.dbx", "Offline.dbx", "Local Folders.dbx"})
    file(name);
  file("notes.txt");
  dir("RECYCLER");
  file("RECYCLER\\Trash.dbx");
  dir("Sub1");
  file("Sub1\\folders.dbx");
  file("Sub1\\Sent.dbx");
  dir("Sub1\\recycler");
  file("Sub1\\recycler\\Kept.dbx");
  dir("Sub2");
  file("Sub2\\Archive.DBX");
  return {"Inbox.dbx", "Sub1\\folders.dbx", "Sub1\\Sent.dbx", "Sub1\\recycler\\Kept.dbx",
          "Sub2\\Archive.DBX"};
}

int makeWideTree(const std::string& root, int folders, int perFolder) {
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "\\F" + std::to_string(f);
    platform::createDirectory(folder);
    for (int i = 0; i < perFolder; ++i) writeFile(folder + "\\S" + std::to_string(i) + ".dbx", "x");
  }
  return folders * perFolder;
}

}  // namespace qm::test
