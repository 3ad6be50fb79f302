// What a run takes from the system besides its front end: the temporary folder, the clocks
// and the log. The defaults are the real ones; tests put their own in.
#pragma once

#include <functional>
#include <string>

#include "platform/clock.h"

namespace qm::convert {

struct RunEnvironment {
  // The system's temporary folder, with its trailing separator.
  std::string tempRoot;
  // The UTC date and local clock of the temporary folders' stamps.
  std::function<platform::Stamp()> clock;
  // One log entry, to the error log or the execution log.
  std::function<void(const std::string& text, bool toErrorLog)> writeLog;

  // This environment with every empty member set to the system's own.
  RunEnvironment completed() const;
};

}  // namespace qm::convert
