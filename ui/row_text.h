// The texts of a source list row: file name, size and creation time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace qm::ui {

// The name after the last folder separator ('\\' or '/').
std::string fileNameOf(const std::string& path);
// Whole KB, truncated, and " Kb": 1500 bytes give "1 Kb".
std::string sizeText(std::uint64_t bytes);
// "Www Mmm DD hh:mm:ss YYYY" with English names, e.g. "Wed Jan 02 02:03:55 2008"; empty
// when the date is not a real one.
std::string creationText(const platform::LocalTime& t);

}  // namespace qm::ui
