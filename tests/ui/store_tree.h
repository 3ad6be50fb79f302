// Folder trees for the search tests, made under a test's own folder.
#pragma once

#include <set>
#include <string>

namespace qm::test {

// Under root: Inbox.dbx (3000 bytes) beside the four bookkeeping stores and a text file, a
// "RECYCLER" folder with a store, and two subfolders; Sub1 holds "folders.dbx", Sent.dbx and
// a "recycler" folder with Kept.dbx, Sub2 holds Archive.DBX. Returns the paths the search
// lists (relative to root, '\\' separators).
std::set<std::string> makeStoreTree(const std::string& root);

// Under root: `folders` subfolders of `perFolder` stores each; returns how many stores.
int makeWideTree(const std::string& root, int folders, int perFolder);

}  // namespace qm::test
