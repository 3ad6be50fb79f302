// POSIX side of the safe file operations.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/safe_files.h"
#include "platform/safe_files_os.h"

namespace qm::platform {

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

namespace {

// Where a name of the folder is reached: the open folder and the name, or the whole path.
struct At {
  int folder;
  std::string name;
};

At at(const OutputFolder& folder, const std::string& name) {
  if (folder.handle() >= 0) return {static_cast<int>(folder.handle()), name};
  return {AT_FDCWD, folder.pathOf(name)};
}

mode_t fileMode(const OutputFolder& folder) { return folder.ownerOnly() ? 0600 : 0666; }

std::FILE* streamOver(int fd) {
  std::FILE* stream = ::fdopen(fd, "w+b");
  if (!stream) ::close(fd);
  return stream;
}

#if defined(__linux__) && defined(O_TMPFILE)
// Whether this process may name a nameless file through its descriptor (AT_EMPTY_PATH):
// newer kernels let its maker do so, older ones only a process with CAP_DAC_READ_SEARCH.
// Tried once, on a nameless file of its own that takes a name nobody can have guessed and
// loses it again; 0 untried, 1 yes, 2 no.
std::atomic<int> namingByDescriptor{0};

bool canNameByDescriptor(int folder) {
  const int known = namingByDescriptor.load();
  if (known != 0) return known == 1;
  bool works = false;
  const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    const std::string probe = ".quillmend-probe-" + std::to_string(::getpid()) + "-" + std::to_string(fd);
    works = ::linkat(fd, "", folder, probe.c_str(), AT_EMPTY_PATH) == 0;
    if (works) ::unlinkat(folder, probe.c_str(), 0);
    ::close(fd);
    namingByDescriptor.store(works ? 1 : 2);
  }
  return works;
}
#endif

}  // namespace

std::FILE* createNewFileIn(const OutputFolder& folder, const std::string& name) {
  const At where = at(folder, name);
  const int fd = ::openat(where.folder, where.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          fileMode(folder));
  if (fd < 0) return nullptr;
  std::FILE* stream = streamOver(fd);
  if (!stream) ::unlinkat(where.folder, where.name.c_str(), 0);
  return stream;
}

std::FILE* createUnnamedFile([[maybe_unused]] const OutputFolder& folder) {
#if defined(__linux__) && defined(O_TMPFILE)
  // Nameless files are made only in a folder held open, where the descriptor names them.
  if (folder.handle() < 0) return nullptr;
  const int dir = static_cast<int>(folder.handle());
  if (!canNameByDescriptor(dir)) return nullptr;
  const int fd = ::openat(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, fileMode(folder));
  return fd < 0 ? nullptr : streamOver(fd);
#else
  return nullptr;
#endif
}

Naming nameUnnamedFile([[maybe_unused]] std::FILE* stream, [[maybe_unused]] const OutputFolder& folder,
                       [[maybe_unused]] const std::string& name) {
#if defined(__linux__) && defined(O_TMPFILE)
  if (::linkat(::fileno(stream), "", static_cast<int>(folder.handle()), name.c_str(), AT_EMPTY_PATH) == 0)
    return Naming::Named;
  return errno == EEXIST ? Naming::Taken : Naming::Failed;
#else
  return Naming::Failed;
#endif
}

bool renameIn(const OutputFolder& folder, const std::string& from, const std::string& to,
              OutputFile::Replace replace) {
  const At source = at(folder, from), target = at(folder, to);
  if (replace == OutputFile::Replace::Existing)
    return ::renameat(source.folder, source.name.c_str(), target.folder, target.name.c_str()) == 0;
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(source.folder, source.name.c_str(), target.folder, target.name.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // A second name, then the first one dropped: link fails when the name is taken.
  if (::linkat(source.folder, source.name.c_str(), target.folder, target.name.c_str(), 0) == 0) {
    ::unlinkat(source.folder, source.name.c_str(), 0);  // the file is complete under its final name either way
    return true;
  }
  if (errno == EEXIST) return false;
  // A file system without hard links: the check and the rename are two steps.
  if (existsIn(folder, to)) return false;
  return ::renameat(source.folder, source.name.c_str(), target.folder, target.name.c_str()) == 0;
}

void deleteIn(const OutputFolder& folder, const std::string& name) {
  const At where = at(folder, name);
  ::unlinkat(where.folder, where.name.c_str(), 0);
}

bool existsIn(const OutputFolder& folder, const std::string& name) {
  const At where = at(folder, name);
  struct stat st {};
  return ::fstatat(where.folder, where.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool removeLink(const std::string& utf8Path) { return ::unlink(utf8Path.c_str()) == 0; }

void removeTree(const std::string& utf8Path) {
  // remove_all looks at each entry with lstat: a link is removed as a link.
  std::error_code ec;
  std::filesystem::remove_all(toPath(utf8Path), ec);
}

}  // namespace os

OutputFolder::OutputFolder(const std::string& utf8Path) : path_(utf8Path) {
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    handle_ = fd;
    ownerOnly_ = (st.st_mode & 077) == 0;
  } else if (fd >= 0) {
    ::close(fd);
  } else if (::stat(utf8Path.c_str(), &st) == 0) {
    ownerOnly_ = (st.st_mode & 077) == 0;
  }
}

OutputFolder::~OutputFolder() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

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

}  // namespace qm::platform
