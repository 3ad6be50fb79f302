// Text conversions for property values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::mapi {

// Header text as it stood: UTF-8 when it is valid UTF-8, otherwise read as Latin-1.
std::u16string widenHeaderText(std::string_view bytes);
std::string toUtf8(std::u16string_view text);
// Seconds since 1970 as a FILETIME (100 ns since 1601).
std::uint64_t toFileTime(std::int64_t unixSeconds);

}  // namespace qm::mapi
