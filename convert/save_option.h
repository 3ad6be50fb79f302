// The output kinds of a conversion run and what the run derives from each.
#pragma once

#include <cstdint>
#include <string>

namespace qm::convert {

// Stored as a 32-bit integer by the main window; the values are fixed.
enum SaveOption : std::int32_t {
  SAVEASDBX = 1,
  SAVEASEML = 2,
  SAVEASPST = 3,
  SAVEASMSG = 4,
  SAVEASRTF = 5,
};

bool isSaveOption(std::int32_t value);
// "SAVEASEML" and so on; empty for a value outside 1 to 5.
std::string saveOptionName(std::int32_t value);
// The tag that ends an output folder's name ("_As_EML"); empty for DBX and unknown values.
std::string typeTag(std::int32_t value);
// The value the file bar reaches after a file's last mail (80 for DBX, which copies its
// store file afterwards; 100 otherwise).
int progressScale(std::int32_t value);

}  // namespace qm::convert
