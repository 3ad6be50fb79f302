// The lexical pieces of structured header fields (RFC 5322 section 3.2) shared by the
// address and parameter readers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::mail::mime {

// The quoted string that starts at s[i] == '"': its text, quotes removed and quoted pairs
// resolved. `i` ends past the closing quote, or at the end when there is none.
std::string readQuotedString(std::string_view s, std::size_t& i);

// The comment that starts at s[i] == '(', nested comments included: its text, trimmed.
// `i` ends past its closing parenthesis, or at the end when there is none.
std::string readComment(std::string_view s, std::size_t& i);

}  // namespace qm::mail::mime
