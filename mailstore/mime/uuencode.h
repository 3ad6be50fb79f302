// Uuencoded files inside plain text, as mail software carried attachments before MIME:
// "begin 644 name", lines of encoded data, "end".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::mail::mime {

struct UuFile {
  std::string name;  // as written after the mode
  std::vector<std::uint8_t> data;
};

// Takes every well-formed uuencoded block out of `text`: the files are returned and
// `remaining` receives the text without them. A block whose end line is missing ends at its
// last data line (a cut-off mail keeps what arrived). No block: false, `remaining` untouched.
bool extractUuencoded(std::string_view text, std::string& remaining, std::vector<UuFile>& files);

// A body sent with Content-Transfer-Encoding x-uuencode: the data of its first block, or,
// without a begin line, the data lines themselves.
void decodeUuBody(std::string_view text, std::vector<std::uint8_t>& out);

}  // namespace qm::mail::mime
