#include "engine/engine_host.h"

#include "log/app_log.h"

void LogOnlyHost::writeLog(const std::string& text, bool toErrorLog) {
  AppLog::write(0, 0, text, toErrorLog);
}
