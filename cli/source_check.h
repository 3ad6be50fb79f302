// Whether a path given as a store can be read as one, checked before anything opens it: a
// pipe or a device would block the program or never end.
#pragma once

#include <optional>
#include <ostream>
#include <string>

// Why `path` cannot be read as a store file, or nothing when it can.
std::optional<std::string> unusableSource(const std::string& path);

// Starts the execution and error logs in `programFolder`; warns on `err` when they cannot
// be written. Returns whether they can.
bool startLogsIn(const std::string& programFolder, const std::string& command, std::ostream& err);
// The same beside the program.
bool startLogs(const std::string& command, std::ostream& err);

// The engine's host for the commands that read stores themselves: its message boxes become
// lines on the error stream, its log lines go to the logs.
#include "engine/engine_host.h"

class CommandHost : public EngineHost {
 public:
  CommandHost(std::string command, std::ostream& err) : command_(std::move(command)), err_(err) {}
  void showMessage(const std::string& text) override;
  void writeLog(const std::string& text, bool toErrorLog) override;

 private:
  std::string command_;
  std::ostream& err_;
};
