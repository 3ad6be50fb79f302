// Character references of HTML 4 (the named ones of its three entity sets, and &#N; and
// &#xN;), as mail written by mail programs uses them.
#pragma once

#include <cstddef>
#include <string_view>

namespace qm::mail::rtf {

// The character a reference stands for, and how many units of `text` it took ("&amp;" 5).
// `text` starts at the '&'. A reference without its ';' is read when it is a known name or
// a number, as browsers do; anything else is no reference (length 0).
struct CharacterReference {
  char32_t character = 0;
  std::size_t length = 0;
};
CharacterReference readCharacterReference(std::u16string_view text);

}  // namespace qm::mail::rtf
