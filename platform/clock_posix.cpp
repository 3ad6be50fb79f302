#include <ctime>

#include "platform/clock.h"

namespace qm::platform {

Stamp nowStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{}, local{};
  gmtime_r(&now, &utc);
  localtime_r(&now, &local);
  return Stamp{utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900,
               local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace qm::platform
