// The names a conversion run gives to what it makes: output folders under the destination,
// temporary folders in the system's temporary folder, and the texts of the scan line.
#pragma once

#include <cstdint>
#include <string>

#include "convert/run_input.h"
#include "platform/clock.h"

namespace qm::convert {

// The file name with its first ".dbx" (exact case) taken out; unchanged when it has none.
std::string baseNameOf(const std::string& fileName);

// destination + separator + ["<number>_"] + ["<tag>_"] + base + [type tag]. The running
// number is used only when the naming asks for it; the caller advances it.
std::string outputFolderPath(const std::string& destination, const OutputNaming& naming,
                             std::int32_t runningNumber, const std::string& baseName,
                             std::int32_t saveOption);

// Whether a folder tag would put output folders outside the destination: it holds a path
// separator ('/' or '\\') or "..".
bool folderTagEscapes(const std::string& tag);

// "<i>_(DATE=<month>-<day>-<year>)_(TIME=<h>hr.<m>m.<s>s)", plain decimal numbers.
std::string fileStamp(int fileIndex, const platform::Stamp& stamp);

// tempRoot (ending with its separator) + "Tarnwick_Converted_<base>_<stamp>".
std::string tempFolderPath(const std::string& tempRoot, const std::string& baseName,
                           int fileIndex, const platform::Stamp& stamp);

// The scan line shows at most this many characters of its text; logs get the whole text.
constexpr std::size_t kScanLineWidth = 53;
// The first kScanLineWidth characters of a UTF-8 text (never a partial character).
std::string cutForScanLine(const std::string& text);

}  // namespace qm::convert
