#include "log/app_log.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace {

std::mutex& logMutex() {
  static std::mutex m;
  return m;
}

// Written once by start, before any other thread can write; read under the mutex.
std::string& recordedFolder() {
  static std::string folder;
  return folder;
}

std::string logFolderOf(const std::string& programFolder) {
  return programFolder + "Log Files";
}

std::string logPathOf(const std::string& programFolder, const char* name) {
  return logFolderOf(programFolder) + qm::platform::pathSeparator() + name;
}

using File = std::unique_ptr<std::FILE, qm::platform::FileCloser>;

// Appends text in one write; text mode turns each line break into the platform's line end.
bool appendText(const std::string& path, const std::string& text) {
  File f(qm::platform::openFile(path, "a"));
  if (!f) return false;
  std::fwrite(text.data(), 1, text.size(), f.get());
  std::fflush(f.get());
  return true;
}

std::string banner(const qm::platform::Stamp& s) {
  const std::string rule(79, '=');
  return rule + "\nLast Log On\nDate : " + std::to_string(s.day) + "/" + std::to_string(s.month) +
         "/" + std::to_string(s.year) + "\nTime : " + std::to_string(s.hour) + ":" +
         std::to_string(s.minute) + ":" + std::to_string(s.second) + "\n" + rule + "\n";
}

}  // namespace

bool AppLog::start() { return startIn(qm::platform::executableFolder()); }

bool AppLog::startIn(const std::string& programFolder) {
  std::lock_guard<std::mutex> lock(logMutex());
  qm::platform::createDirectory(logFolderOf(programFolder));
  const std::string text = banner(qm::platform::nowStamp());
  const bool errorLog = appendText(logPathOf(programFolder, "ErrorLog.log"), text);
  const bool execLog = appendText(logPathOf(programFolder, "ExecLog.log"), text);
  recordedFolder() = programFolder;
  return errorLog && execLog;
}

bool AppLog::write(int code, int error, const std::string& message, bool toErrorLog) {
  const std::string line = "Code:" + std::to_string(code) + "  Error:" + std::to_string(error) +
                           "  MSG:" + message + "\n";
  std::lock_guard<std::mutex> lock(logMutex());
  return appendText(logPathOf(recordedFolder(), toErrorLog ? "ErrorLog.log" : "ExecLog.log"), line);
}

std::string AppLog::programFolder() {
  std::lock_guard<std::mutex> lock(logMutex());
  return recordedFolder();
}

std::string AppLog::errorLogPath() { return logPathOf(programFolder(), "ErrorLog.log"); }
std::string AppLog::execLogPath() { return logPathOf(programFolder(), "ExecLog.log"); }
