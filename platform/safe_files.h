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

// A folder that output files are made in. On POSIX it is held open, so that each file is made
// and named relative to it without a walk of its path, and whether only its owner can enter
// it is read once. A folder that cannot be opened is reached through its path instead.
class OutputFolder {
 public:
  explicit OutputFolder(const std::string& utf8Path);
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of an entry of the folder.
  std::string pathOf(const std::string& name) const;
  // Whether nobody but the owner can enter the folder; its files are then kept as private.
  bool ownerOnly() const { return ownerOnly_; }
  // The open folder (a descriptor on POSIX), or -1 when it is reached through its path.
  std::intptr_t handle() const { return handle_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;
  bool ownerOnly_ = false;
};

// An output file that appears under its final name only when it is complete. Where the system
// can make a file with no name (Linux), it is written nameless and gets its name when
// committed; elsewhere it is written under a partial name beside the final one
// ("<final>.partial", or "<final>.partial-N" when that exists) and renamed. A run that is
// killed, or a disk that fills up, never leaves a file under a name that looks finished. The
// file is new (never an existing file or link) and, in a folder that only its owner can
// enter, readable by its owner alone.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Where the file is written first.
  enum class Naming { Unnamed, PartialName };
  // Creates the file that will be `finalPath`; false when it cannot be made.
  bool open(const std::string& finalPath, Naming naming = Naming::Unnamed);
  // The same for `name` in `folder`, which must outlive the file.
  bool open(const OutputFolder& folder, const std::string& name, Naming naming = Naming::Unnamed);
  std::FILE* stream() const { return stream_; }
  // The partial file's path, or nothing while the file has no name.
  std::string partialPath() const;

  enum class Replace { Never, Existing };
  // Closes the file and gives it its final name. With Replace::Never a file of that name is
  // never replaced: the commit fails instead. False on any failure, after which nothing is
  // left under either name; errno then tells the first failure.
  bool commit(Replace replace = Replace::Never);
  // Closes the file and deletes any partial file (also done by the destructor when not
  // committed).
  void discard();

 private:
  bool openPartial();
  bool commitUnnamed(std::FILE* stream, Replace replace);
  bool nameThroughPartial(std::FILE* stream);

  std::FILE* stream_ = nullptr;
  const OutputFolder* folder_ = nullptr;
  std::unique_ptr<OutputFolder> ownFolder_;
  std::string name_;
  std::string partial_;  // the partial file's name in the folder; empty while unnamed
};

}  // namespace qm::platform
