// The header block of an Internet message or of a MIME body part (RFC 5322 section 2.2):
// fields split from the body, folded lines kept as they stood until a value is unfolded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm::mail::mime {

struct HeaderField {
  std::string_view name;   // as written, without the colon
  std::string_view value;  // everything after the colon, folded lines included
};

class HeaderBlock {
 public:
  // Splits an entity at the first empty line. A line that is neither a field nor the
  // continuation of one also ends the header (it belongs to the body, as in mail written
  // without the empty line). For a whole message, an mbox "From " line at the very start is
  // skipped; a body part's first line is never dropped.
  static HeaderBlock parse(std::string_view entity, bool isMessage);

  const std::vector<HeaderField>& fields() const { return fields_; }
  // The first field of that name (letter case ignored), nullptr when there is none.
  const HeaderField* find(std::string_view name) const;
  // The unfolded value of the first field of that name; empty when there is none.
  std::string value(std::string_view name) const;
  bool has(std::string_view name) const { return find(name) != nullptr; }

  // The header lines as they stood, up to the last field's line end.
  std::string_view text() const { return text_; }
  std::string_view body() const { return body_; }

 private:
  std::vector<HeaderField> fields_;
  std::string_view text_;
  std::string_view body_;
};

// RFC 5322 unfolding: line breaks inside the value removed, surrounding blanks trimmed.
std::string unfold(std::string_view value);

bool equalsIgnoringCase(std::string_view a, std::string_view b);
std::string toLower(std::string_view text);
std::string_view trimBlanks(std::string_view text);
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace qm::mail::mime
