#include <windows.h>

#include "platform/clock.h"

namespace qm::platform {

Stamp nowStamp() {
  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  return Stamp{utc.wDay, utc.wMonth, utc.wYear, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace qm::platform
