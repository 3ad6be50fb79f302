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

std::optional<CalendarTime> localCalendarTime(std::int64_t unixSeconds) {
  // Years 1601 to 30827, as on Windows: the same mails convert alike on both.
  if (unixSeconds < -11644473600LL || unixSeconds > 910692730085LL) return std::nullopt;
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return std::nullopt;
  return CalendarTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min,         local.tm_sec,     local.tm_wday};
}

}  // namespace qm::platform
