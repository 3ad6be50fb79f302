// The execution log and the error log, kept in "Log Files" beside the executable.
// Callers test their own log flag before they write; AppLog never looks at a setting.
#pragma once

#include <string>

class AppLog {
 public:
  // Records the program folder (the executable's folder), creates "Log Files" there and
  // appends the five-line banner to both logs. Called once, only when logging is on.
  // Returns whether both logs could be written.
  static bool start();
  // The same steps for a given program folder (with its trailing separator).
  static bool startIn(const std::string& programFolder);

  // Appends one entry line "Code:<code>  Error:<error>  MSG:<message>" to the error log
  // (toErrorLog) or the execution log. Opens, writes, flushes and closes the file; returns
  // false, writing nothing, when the file cannot be opened. Safe from any thread: lines of
  // different threads never mix.
  static bool write(int code, int error, const std::string& message, bool toErrorLog);

  // The recorded program folder; empty until start has run.
  static std::string programFolder();
  static std::string errorLogPath();
  static std::string execLogPath();
};
