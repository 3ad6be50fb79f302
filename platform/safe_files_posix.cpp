// POSIX side of the safe file operations.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/safe_files.h"
#include "platform/safe_files_os.h"

namespace qm::platform {

namespace {

std::string parentOf(const std::string& path) {
  const auto cut = path.find_last_of('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : path.substr(0, cut);
}

}  // namespace

bool isLink(const std::string& utf8Path) {
  struct stat st {};
  return ::lstat(utf8Path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

namespace os {

bool makePrivateDirectory(const std::string& utf8Path) {
  // mkdir never follows a link in the new name's place: it fails with EEXIST.
  if (::mkdir(utf8Path.c_str(), 0700) != 0) return false;
  // A umask that takes the owner's own rights away is undone; nobody else gets any.
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

std::FILE* createNewFile(const std::string& utf8Path) {
  // A file in a folder that only its owner can enter is kept as private as the folder.
  struct stat folder {};
  const bool privateFolder = ::stat(parentOf(utf8Path).c_str(), &folder) == 0 && (folder.st_mode & 077) == 0;
  const int fd = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        privateFolder ? 0600 : 0666);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "w+b");
  if (!stream) {
    ::close(fd);
    ::unlink(utf8Path.c_str());
  }
  return stream;
}

bool existsAsAnything(const std::string& utf8Path) {
  struct stat st {};
  return ::lstat(utf8Path.c_str(), &st) == 0;
}

bool removeLink(const std::string& utf8Path) { return ::unlink(utf8Path.c_str()) == 0; }

void removeTree(const std::string& utf8Path) {
  // remove_all looks at each entry with lstat: a link is removed as a link.
  std::error_code ec;
  std::filesystem::remove_all(toPath(utf8Path), ec);
}

}  // namespace os

FolderHold::~FolderHold() { ::close(static_cast<int>(handle_)); }

std::unique_ptr<FolderHold> FolderHold::take(const std::string& utf8Path) {
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // flock belongs to the open file description: a second open, in this process or another,
  // cannot take it while this one holds it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FolderHold>(new FolderHold(fd));
}

bool renameFile(const std::string& from, const std::string& to, OutputFile::Replace replace) {
  if (replace == OutputFile::Replace::Existing) return ::rename(from.c_str(), to.c_str()) == 0;
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // A second name, then the first one dropped: link fails when the name is taken.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());  // the file is complete under its final name either way
    return true;
  }
  if (errno == EEXIST) return false;
  // A file system without hard links: the check and the rename are two steps.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace qm::platform
