// Multipart bodies (RFC 2046 section 5.1): the body parts between delimiter lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::mail::mime {

// The body parts of a multipart body; the preamble and the epilogue are left out. Without a
// close delimiter the last part runs to the end. With more than `maxParts` parts the last
// one returned holds the rest of the body, delimiters and all, so nothing is dropped.
// Empty when no delimiter line for `boundary` occurs.
std::vector<std::string_view> splitMultipart(std::string_view body, std::string_view boundary,
                                             std::size_t maxParts);

// For a multipart body whose boundary is missing or never appears: the boundary of the
// first line that looks like a delimiter ("--" and a token, followed by a header field or
// an empty line); empty when there is none.
std::string guessBoundary(std::string_view body);

}  // namespace qm::mail::mime
