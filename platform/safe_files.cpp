// The portable part of the safe file operations; the system calls are in safe_files_posix.cpp
// and safe_files_win.cpp.
#include "platform/safe_files.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/files.h"
#include "platform/safe_files_os.h"

namespace fs = std::filesystem;

namespace qm::platform {

namespace {

// Six letters and digits that another program cannot guess in advance.
std::string randomSuffix() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix += kAlphabet[pick(random)];
  return suffix;
}

}  // namespace

FileKind fileKind(const std::string& utf8Path) {
  std::error_code ec;
  const fs::file_status status = fs::status(toPath(utf8Path), ec);
  if (ec || !fs::exists(status)) return FileKind::Missing;
  if (fs::is_regular_file(status)) return FileKind::Regular;
  if (fs::is_directory(status)) return FileKind::Directory;
  return FileKind::Other;
}

std::optional<std::string> createPrivateFolder(const std::string& path) {
  if (os::makePrivateDirectory(path)) return path;
  // Whatever holds the name (an earlier run's folder, a planted link) is left alone.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = path + "_" + randomSuffix();
    if (os::makePrivateDirectory(candidate)) return candidate;
  }
  return std::nullopt;
}

bool removeFolderTree(const std::string& utf8Path) {
  if (isLink(utf8Path)) return os::removeLink(utf8Path);
  os::removeTree(utf8Path);
  return !isLink(utf8Path) && fileKind(utf8Path) == FileKind::Missing;
}

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

std::string parentFolder(const std::string& path) {
  const auto cut = path.find_last_of(kSeparators);
  if (cut == std::string::npos) return ".";
  return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

std::string leafName(const std::string& path) {
  const auto cut = path.find_last_of(kSeparators);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Keeps errno as the first failure left it, whatever the clean-up after it sets.
class KeepErrno {
 public:
  KeepErrno() : saved_(errno) {}
  ~KeepErrno() { errno = saved_; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved_;
};

}  // namespace

std::string OutputFolder::pathOf(const std::string& name) const { return path_ + pathSeparator() + name; }

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& finalPath, Naming naming) {
  discard();
  ownFolder_ = std::make_unique<OutputFolder>(parentFolder(finalPath));
  return open(*ownFolder_, leafName(finalPath), naming);
}

bool OutputFile::open(const OutputFolder& folder, const std::string& name, Naming naming) {
  if (stream_ || !partial_.empty()) discard();
  if (ownFolder_.get() != &folder) ownFolder_.reset();
  folder_ = &folder;
  name_ = name;
  if (naming == Naming::Unnamed) stream_ = os::createUnnamedFile(folder);
  return stream_ != nullptr || openPartial();
}

bool OutputFile::openPartial() {
  for (int attempt = 0; attempt < 100 && !stream_; ++attempt) {
    partial_ = name_ + ".partial";
    if (attempt > 0) partial_.append("-").append(std::to_string(attempt));
    stream_ = os::createNewFileIn(*folder_, partial_);
    if (!stream_ && !os::existsIn(*folder_, partial_)) break;  // not taken: the folder refuses
  }
  if (!stream_) partial_.clear();
  return stream_ != nullptr;
}

std::string OutputFile::partialPath() const { return partial_.empty() ? std::string() : folder_->pathOf(partial_); }

bool OutputFile::commit(Replace replace) {
  if (!stream_) return false;
  std::FILE* stream = stream_;
  stream_ = nullptr;
  if (partial_.empty()) return commitUnnamed(stream, replace);
  const bool closed = std::fclose(stream) == 0;
  if (closed && os::renameIn(*folder_, partial_, name_, replace)) {
    partial_.clear();
    return true;
  }
  KeepErrno keep;
  os::deleteIn(*folder_, partial_);
  partial_.clear();
  return false;
}

// The file is complete once its buffer is written; it is named while it is still open.
bool OutputFile::commitUnnamed(std::FILE* stream, Replace replace) {
  bool named = false;
  if (std::fflush(stream) == 0 && !std::ferror(stream)) {
    const os::Naming naming = os::nameUnnamedFile(stream, *folder_, name_);
    named = naming == os::Naming::Named ||
            (naming == os::Naming::Taken && replace == Replace::Existing && nameThroughPartial(stream));
    if (naming == os::Naming::Taken && replace == Replace::Never) errno = EEXIST;
  }
  KeepErrno keep;
  if (std::fclose(stream) == 0 && named) return true;
  if (named) os::deleteIn(*folder_, name_);  // a close that fails leaves no file it may have cut
  return false;
}

// An earlier file of the name is replaced in one step: the new file gets a partial name first.
bool OutputFile::nameThroughPartial(std::FILE* stream) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string partial = name_ + ".partial";
    if (attempt > 0) partial.append("-").append(std::to_string(attempt));
    const os::Naming naming = os::nameUnnamedFile(stream, *folder_, partial);
    if (naming == os::Naming::Taken) continue;
    if (naming == os::Naming::Failed) return false;
    if (os::renameIn(*folder_, partial, name_, Replace::Existing)) return true;
    KeepErrno keep;
    os::deleteIn(*folder_, partial);
    return false;
  }
  return false;
}

void OutputFile::discard() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!partial_.empty()) os::deleteIn(*folder_, partial_);
  partial_.clear();
}

}  // namespace qm::platform
