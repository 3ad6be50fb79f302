// The system calls under safe_files.cpp, one implementation per system.
#pragma once

#include <cstdio>
#include <string>

namespace qm::platform::os {

// Makes one folder level that only the current user can enter; false when anything of that
// name exists (a link is never followed) or the folder cannot be made.
bool makePrivateDirectory(const std::string& utf8Path);
// Creates a new file for reading and writing; nothing when anything of that name exists.
std::FILE* createNewFile(const std::string& utf8Path);
// Whether anything, a broken link included, has that name.
bool existsAsAnything(const std::string& utf8Path);
// Removes a link itself.
bool removeLink(const std::string& utf8Path);
// Removes a folder with everything in it, removing links inside without entering them.
void removeTree(const std::string& utf8Path);

}  // namespace qm::platform::os
