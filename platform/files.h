// File and folder operations on UTF-8 paths. On Windows the paths go through the wide
// character calls, so localised names work whatever the ANSI code page is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm::platform {

// The separator between folder and file names: '\\' on Windows, '/' elsewhere.
char pathSeparator();

// The std::filesystem path for a UTF-8 string, and back.
std::filesystem::path toPath(const std::string& utf8);
std::string fromPath(const std::filesystem::path& path);

// fopen with a UTF-8 path and 64-bit positions.
std::FILE* openFile(const std::string& utf8Path, const char* mode);
bool seekTo(std::FILE* file, std::uint64_t offset);
bool seekBy(std::FILE* file, std::int64_t delta);
bool seekToEnd(std::FILE* file);
std::optional<std::uint64_t> tellPosition(std::FILE* file);
// Flushes the stream and asks the system to put the file's data on the disk; false on failure.
bool syncFile(std::FILE* file);
// Asks the system to start putting a range of an unbuffered stream's file on the disk
// without waiting for it, so that a later syncFile finds most of it written. A hint only:
// nothing happens where the system offers no such call.
void startWriteBack(std::FILE* file, std::uint64_t offset, std::uint64_t length);

// Closes a FILE* when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

std::optional<std::uint64_t> fileSize(const std::string& utf8Path);
bool fileExists(const std::string& utf8Path);
bool isDirectory(const std::string& utf8Path);

// Creates a single folder level; false when it exists already or the parent is missing.
bool createDirectory(const std::string& utf8Path);
bool removeDirectory(const std::string& utf8Path);
bool deleteFile(const std::string& utf8Path);

struct DirEntry {
  std::string name;  // without the folder
  bool isDirectory = false;
};
// The entries directly in a folder ("." and ".." left out); empty when it cannot be read.
std::vector<DirEntry> listDirectory(const std::string& utf8Path);

// Local calendar time of a file's creation (its last change where the system keeps no
// creation time).
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::optional<LocalTime> fileCreationTime(const std::string& utf8Path);

// Folder of the running executable, with its trailing separator.
std::string executableFolder();
// The system's temporary folder, with its trailing separator.
std::string tempFolder();

}  // namespace qm::platform
