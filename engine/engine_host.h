// What the engine needs from its owner: a place to show a message box and a place to write
// log lines. The engine never calls a user interface itself.
#pragma once

#include <string>

class EngineHost {
 public:
  virtual ~EngineHost() = default;
  // A message box with an OK button, captioned with the application's name.
  virtual void showMessage(const std::string& text) = 0;
  // One log entry; called only while the engine's logEnabled is on.
  virtual void writeLog(const std::string& text, bool toErrorLog) = 0;
  // Polled between the blocks of a mail: true ends the mail at once and nothing more is
  // written for it (a stopped run).
  virtual bool stopRequested() { return false; }
};

// Logs through AppLog and shows no message boxes: for the command line and for tests.
class LogOnlyHost : public EngineHost {
 public:
  void showMessage(const std::string&) override {}
  void writeLog(const std::string& text, bool toErrorLog) override;
};
