// POSIX side of the file operations.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "platform/files.h"

namespace qm::platform {

char pathSeparator() { return '/'; }

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  return std::fopen(utf8Path.c_str(), mode);
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool seekBy(std::FILE* file, std::int64_t delta) {
  return fseeko(file, static_cast<off_t>(delta), SEEK_CUR) == 0;
}

bool seekToEnd(std::FILE* file) { return fseeko(file, 0, SEEK_END) == 0; }

std::optional<std::uint64_t> tellPosition(std::FILE* file) {
  const off_t pos = ftello(file);
  if (pos < 0) return std::nullopt;
  return static_cast<std::uint64_t>(pos);
}

bool syncFile(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
}

void startWriteBack(std::FILE* file, std::uint64_t offset, std::uint64_t length) {
#if defined(__linux__)
  ::sync_file_range(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
  (void)file, (void)offset, (void)length;
#endif
}

// One call: unlink never removes a folder.
bool deleteFile(const std::string& utf8Path) { return ::unlink(utf8Path.c_str()) == 0; }

std::optional<LocalTime> fileCreationTime(const std::string& utf8Path) {
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return std::nullopt;
  // POSIX keeps no creation time in stat; the last change of the inode stands in for it.
  const std::time_t t = st.st_ctime;
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return std::nullopt;
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string executableFolder() {
  char buf[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return std::string();
  std::string path(buf, static_cast<std::size_t>(n));
  const auto cut = path.find_last_of('/');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string tempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string out = (dir && *dir) ? dir : "/tmp";
  if (out.back() != '/') out += '/';
  return out;
}

}  // namespace qm::platform
