// Windows: file times as local calendar time.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/files.h"

namespace qm::platform {

// A file time (100-nanosecond intervals since 1601, UTC) as local time, by the time zone's
// rules for that date: a summer date keeps its summer offset in winter.
std::optional<LocalTime> localTimeOf(std::uint64_t fileTime);

}  // namespace qm::platform
