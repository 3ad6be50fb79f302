// The portable part of the safe file operations; the system calls are in safe_files_posix.cpp
// and safe_files_win.cpp.
#include "platform/safe_files.h"

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

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& finalPath) {
  discard();
  final_ = finalPath;
  for (int attempt = 0; attempt < 100 && !stream_; ++attempt) {
    partial_ = finalPath;
    partial_.append(".partial");
    if (attempt > 0) partial_.append("-").append(std::to_string(attempt));
    stream_ = os::createNewFile(partial_);
    if (!stream_ && !os::existsAsAnything(partial_)) break;  // not taken: the folder refuses
  }
  if (!stream_) partial_.clear();
  return stream_ != nullptr;
}

bool OutputFile::commit(Replace replace) {
  if (!stream_) return false;
  std::FILE* stream = stream_;
  stream_ = nullptr;
  const bool closed = std::fclose(stream) == 0;
  if (closed && renameFile(partial_, final_, replace)) {
    partial_.clear();
    return true;
  }
  deleteFile(partial_);
  partial_.clear();
  return false;
}

void OutputFile::discard() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!partial_.empty()) deleteFile(partial_);
  partial_.clear();
}

}  // namespace qm::platform
