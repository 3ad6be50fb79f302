// Header text to UTF-16: RFC 2047 encoded words and raw 8-bit bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm::mail::mime {

// Records every charset a message names, lower case, each once, in order of meeting.
class CharsetLog {
 public:
  explicit CharsetLog(std::vector<std::string>& names) : names_(names) {}
  void note(std::string_view charset);

 private:
  std::vector<std::string>& names_;
};

// Decodes unstructured header text (RFC 2047 section 6.2): encoded words in B or Q form are
// decoded in their charset, blanks between adjacent encoded words are dropped, and words of
// one charset that follow each other are joined before decoding, so a character split
// across two words survives. An encoded word that is not well formed stays as it stood.
// Encoded words are also recognised where careless mailers wrote them without blanks
// around them or inside quoted strings.
std::u16string decodeHeaderText(std::string_view unfolded, CharsetLog& log);

// Raw header bytes without encoded words: UTF-8 when they are well-formed UTF-8, else
// windows-1252.
std::u16string decodeRawHeaderBytes(std::string_view bytes);

}  // namespace qm::mail::mime
