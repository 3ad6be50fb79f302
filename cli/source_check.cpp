#include "cli/source_check.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "log/app_log.h"
#include "platform/files.h"

namespace fs = std::filesystem;

std::optional<std::string> unusableSource(const std::string& path) {
  const std::string named = "'" + path + "'";
  if (path.empty()) return "empty path";
  std::error_code ec;
  const fs::file_status status = fs::status(qm::platform::toPath(path), ec);
  if (status.type() == fs::file_type::not_found) return named + " does not exist";
  if (ec) return named + " cannot be read: " + ec.message();
  if (status.type() == fs::file_type::directory) return named + " is a folder, not a store file";
  if (status.type() != fs::file_type::regular)
    return named + " is not a regular file (a device, a pipe or a socket), so no store";
  errno = 0;
  std::unique_ptr<std::FILE, qm::platform::FileCloser> f(qm::platform::openFile(path, "rb"));
  if (!f)
    return named + " cannot be read" + (errno ? std::string(": ") + std::strerror(errno) : "");
  return std::nullopt;
}

bool startLogsIn(const std::string& programFolder, const std::string& command, std::ostream& err) {
  if (AppLog::startIn(programFolder)) return true;
  err << "quillmend " << command << ": warning: the logs cannot be written in '" << programFolder
      << "Log Files'; the run goes on without them\n";
  return false;
}

bool startLogs(const std::string& command, std::ostream& err) {
  return startLogsIn(qm::platform::executableFolder(), command, err);
}

void CommandHost::showMessage(const std::string& text) {
  err_ << "quillmend " << command_ << ": " << text << "\n";
}

void CommandHost::writeLog(const std::string& text, bool toErrorLog) {
  AppLog::write(0, 0, text, toErrorLog);
}
