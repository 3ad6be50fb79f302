// Finds message stores in a folder tree: every .dbx file below a start folder, breadth
// first, leaving out the stores' bookkeeping files. The Search dialog and the command line
// both walk through here.
#pragma once

#include <functional>
#include <string>

namespace qm::convert {

struct StoreSearch {
  // Polled before each folder and each folder entry; true ends the walk.
  std::function<bool()> cancelled;
  // A folder taken up (the dialog shows its path).
  std::function<void(const std::string& folder)> folderExamined;
  // A .dbx entry looked at, whether it is kept or skipped.
  std::function<void(const std::string& path)> entryExamined;
  // A store found: full path and file name.
  std::function<void(const std::string& path, const std::string& fileName)> storeFound;
};

// Walks the tree below `startFolder`: all .dbx files of a folder before those of its
// subfolders, subfolders in the order the file system lists them. Folders named "RECYCLER"
// and the files "Folders.dbx", "Pop3uidl.dbx", "Offline.dbx" and "Local Folders.dbx" are
// left out (exact names, case-sensitive), and so is anything that is not a regular file (a
// pipe or a device named *.dbx). Symbolic links to folders are not followed, so a
// link that points back up the tree cannot make the walk endless. Returns false when it was
// cancelled.
bool searchStores(const std::string& startFolder, const StoreSearch& search);

}  // namespace qm::convert
