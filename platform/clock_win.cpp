#include <windows.h>

#include "platform/clock.h"

namespace qm::platform {

Stamp nowStamp() {
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  return Stamp{utc.wDay, utc.wMonth, utc.wYear, local.wHour, local.wMinute, local.wSecond};
}

std::optional<CalendarTime> localCalendarTime(std::int64_t unixSeconds) {
  if (unixSeconds < -11644473600LL || unixSeconds > 910692730085LL) return std::nullopt;
  // 100-nanosecond intervals since 1601-01-01.
  const auto ticks = static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
  FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::nullopt;
  }
  return CalendarTime{local.wYear, local.wMonth,  local.wDay,      local.wHour,
                      local.wMinute, local.wSecond, local.wDayOfWeek};
}

}  // namespace qm::platform
