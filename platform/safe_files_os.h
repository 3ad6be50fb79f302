// The system calls under safe_files.cpp, one implementation per system.
#pragma once

#include <cstdio>
#include <string>

#include "platform/safe_files.h"

namespace qm::platform::os {

// Output files, made and named in an open folder.
// Creates `name` in the folder for reading and writing; nothing when anything of that name
// exists.
std::FILE* createNewFileIn(const OutputFolder& folder, const std::string& name);
// Creates a file with no name in the folder; nothing where the system cannot (the file then
// takes a partial name).
std::FILE* createUnnamedFile(const OutputFolder& folder);
enum class Naming { Named, Taken, Failed };
// Gives a file made by createUnnamedFile its name; Taken when anything has that name.
Naming nameUnnamedFile(std::FILE* stream, const OutputFolder& folder, const std::string& name);
// Renames within the folder; with Replace::Never only when nothing has the new name.
bool renameIn(const OutputFolder& folder, const std::string& from, const std::string& to,
              OutputFile::Replace replace);
void deleteIn(const OutputFolder& folder, const std::string& name);
// Whether anything, a broken link included, has that name.
bool existsIn(const OutputFolder& folder, const std::string& name);

// Makes one folder level that only the current user can enter; false when anything of that
// name exists (a link is never followed) or the folder cannot be made.
bool makePrivateDirectory(const std::string& utf8Path);
// Removes a link itself.
bool removeLink(const std::string& utf8Path);
// Removes a folder with everything in it, removing links inside without entering them.
void removeTree(const std::string& utf8Path);

}  // namespace qm::platform::os
