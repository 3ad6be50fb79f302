// File operations that never touch what the program did not make: sources checked to be
// plain files before they are opened, private temporary folders, folders held by one run at
// a time, and output files that appear under their final name only when they are complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace qm::platform {

// What a path names. A link is followed to what it points at; a link that points nowhere is
// Missing.
enum class FileKind { Missing, Regular, Directory, Other };
FileKind fileKind(const std::string& utf8Path);
// Whether the path itself (not what it may point at) is a symbolic link or, on Windows, a
// junction or another reparse point.
bool isLink(const std::string& utf8Path);

// Makes a new folder that only the current user can enter (0700 on POSIX, an access list of
// the owner alone on Windows): `path` itself, or `path` followed by "_" and a random suffix
// when something of that name exists already. An existing folder or link is never used.
// Returns the folder made, or nothing when none could be made.
std::optional<std::string> createPrivateFolder(const std::string& path);

// Removes a folder with everything in it. Links inside are removed, never followed; a link in
// the folder's own place is removed and its target left alone. True when nothing is left.
bool removeFolderTree(const std::string& utf8Path);

// A folder held by one run: while one FolderHold lives, no other process or run can hold the
// same folder. The system lets go of it when the process ends, however it ends.
class FolderHold {
 public:
  ~FolderHold();
  FolderHold(const FolderHold&) = delete;
  FolderHold& operator=(const FolderHold&) = delete;

  // The hold, or nothing when the folder is held already, is missing, or is a link.
  static std::unique_ptr<FolderHold> take(const std::string& utf8Path);

 private:
  explicit FolderHold(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;
};

// An output file written under a partial name beside its final name ("<final>.partial", or
// "<final>.partial-N" when that exists) and renamed when it is complete. A run that is killed,
// or a disk that fills up, never leaves a file under a name that looks finished. The partial
// file is new (never an existing file or link) and, in a folder that only its owner can
// enter, readable by its owner alone.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the partial file for `finalPath`; false when it cannot be made.
  bool open(const std::string& finalPath);
  std::FILE* stream() const { return stream_; }
  const std::string& partialPath() const { return partial_; }

  enum class Replace { Never, Existing };
  // Closes the file and gives it its final name. With Replace::Never a file of that name is
  // never replaced: the commit fails instead. False on any failure, after which nothing is
  // left under either name.
  bool commit(Replace replace = Replace::Never);
  // Closes and deletes the partial file (also done by the destructor when not committed).
  void discard();

 private:
  std::FILE* stream_ = nullptr;
  std::string final_;
  std::string partial_;
};

// Renames `from` to `to`; with Replace::Never only when nothing of that name exists.
bool renameFile(const std::string& from, const std::string& to, OutputFile::Replace replace);

}  // namespace qm::platform
