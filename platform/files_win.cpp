// Windows side of the file operations: wide-character calls on UTF-8 paths.
#include <windows.h>

#include <io.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/text_win.h"
#include "platform/time_win.h"

namespace qm::platform {

char pathSeparator() { return '\\'; }

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  const std::wstring wmode = toWide(mode);
  return _wfopen(toWide(utf8Path).c_str(), wmode.c_str());
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool seekBy(std::FILE* file, std::int64_t delta) {
  return _fseeki64(file, static_cast<__int64>(delta), SEEK_CUR) == 0;
}

bool seekToEnd(std::FILE* file) { return _fseeki64(file, 0, SEEK_END) == 0; }

bool syncFile(std::FILE* file) {
  return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

// Windows writes a file's cached pages out on its own schedule and has no call to start it.
void startWriteBack(std::FILE*, std::uint64_t, std::uint64_t) {}

std::optional<std::uint64_t> tellPosition(std::FILE* file) {
  const __int64 pos = _ftelli64(file);
  if (pos < 0) return std::nullopt;
  return static_cast<std::uint64_t>(pos);
}

// One call: DeleteFileW never removes a folder.
bool deleteFile(const std::string& utf8Path) { return DeleteFileW(toWide(utf8Path).c_str()) != 0; }

std::optional<LocalTime> localTimeOf(std::uint64_t fileTime) {
  // FileTimeToLocalFileTime would apply today's daylight-saving offset to every date.
  const FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME st{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &st))
    return std::nullopt;
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::optional<LocalTime> fileCreationTime(const std::string& utf8Path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(toWide(utf8Path).c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  const FILETIME& c = data.ftCreationTime;
  return localTimeOf(static_cast<std::uint64_t>(c.dwHighDateTime) << 32 | c.dwLowDateTime);
}

std::string executableFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string path = fromWide(std::wstring(buf, n));
  const auto cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string tempFolder() {
  wchar_t buf[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH + 1) return std::string();
  return fromWide(std::wstring(buf, n));
}

}  // namespace qm::platform
