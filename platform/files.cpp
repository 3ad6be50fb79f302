// The portable part of the file operations: std::filesystem over UTF-8 paths.
#include "platform/files.h"

#include <system_error>

namespace fs = std::filesystem;

namespace qm::platform {

fs::path toPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromPath(const fs::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

std::optional<std::uint64_t> fileSize(const std::string& utf8Path) {
  std::error_code ec;
  const auto size = fs::file_size(toPath(utf8Path), ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

bool fileExists(const std::string& utf8Path) {
  std::error_code ec;
  return fs::is_regular_file(toPath(utf8Path), ec);
}

bool isDirectory(const std::string& utf8Path) {
  std::error_code ec;
  return fs::is_directory(toPath(utf8Path), ec);
}

bool createDirectory(const std::string& utf8Path) {
  std::error_code ec;
  return fs::create_directory(toPath(utf8Path), ec) && !ec;
}

bool removeDirectory(const std::string& utf8Path) {
  std::error_code ec;
  const fs::path p = toPath(utf8Path);
  if (!fs::is_directory(p, ec)) return false;
  return fs::remove(p, ec) && !ec;
}

std::vector<DirEntry> listDirectory(const std::string& utf8Path) {
  std::vector<DirEntry> out;
  std::error_code ec;
  fs::directory_iterator it(toPath(utf8Path), fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeEc;
    out.push_back({fromPath(it->path().filename()), it->is_directory(typeEc)});
  }
  return out;
}

}  // namespace qm::platform
