#include "convert/run_context.h"

#include "log/app_log.h"
#include "platform/files.h"

namespace qm::convert {

RunEnvironment RunEnvironment::completed() const {
  RunEnvironment env = *this;
  if (env.tempRoot.empty()) env.tempRoot = platform::tempFolder();
  if (!env.clock) env.clock = platform::nowStamp;
  if (!env.writeLog) {
    env.writeLog = [](const std::string& text, bool toErrorLog) {
      AppLog::write(0, 0, text, toErrorLog);
    };
  }
  return env;
}

RunContext::RunContext(RunView& view, CancelToken& token, bool logEnabled,
                       const RunEnvironment& env)
    : token_(token), view_(view, token), logEnabled_(logEnabled), env_(env.completed()) {}

void RunContext::write(const std::string& text, bool toErrorLog) {
  if (toErrorLog && !stopped()) lastError_ = text;
  if (!logEnabled_) return;
  token_.guard([&] { env_.writeLog(text, toErrorLog); });
}

void RunContext::log(const std::string& text) { write(text, false); }

bool RunContext::dropTemporaryMail(const std::string& emlPath, int index) {
  try {
    return output([&] { platform::deleteFile(emlPath); });
  } catch (...) {
    logError("Exception while deleting file " + emlPath + " for mail:" + std::to_string(index));
    return true;
  }
}
void RunContext::logError(const std::string& text) { write(text, true); }

void RunContext::Host::showMessage(const std::string& text) {
  run_.showMessage(text, MessageKind::Error);
}

void RunContext::Host::writeLog(const std::string& text, bool toErrorLog) {
  // The engine asks only while its own log flag is on, which the worker set from the run's.
  if (toErrorLog && !run_.stopped()) run_.lastError_ = text;
  run_.token_.guard([&] { run_.env_.writeLog(text, toErrorLog); });
}

}  // namespace qm::convert
