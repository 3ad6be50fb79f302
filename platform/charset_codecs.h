// The decoders behind charset.h. Each appends to `out`; bytes that are not valid in the
// charset append their windows-1252 character.
#pragma once

#include <string>
#include <string_view>

namespace qm::platform::codecs {

void appendWindows1252(std::string_view bytes, std::u16string& out);
void appendUtf8(std::string_view bytes, std::u16string& out);
// `bigEndianDefault` is the byte order when the text starts with no byte-order mark.
void appendUtf16(std::string_view bytes, bool bigEndianDefault, bool honourBom,
                 std::u16string& out);
void appendUtf7(std::string_view bytes, std::u16string& out);

// ISO-2022-JP (RFC 1468) rewritten as EUC-JP, for converters that know only the latter.
// Bytes outside the escape sequences' sets pass through unchanged.
std::string iso2022JpToEucJp(std::string_view bytes);

// The operating system's converter for a canonical charset name other than the ones above.
// False, with `out` untouched, when the system does not know the charset.
bool appendSystem(std::string_view canonical, std::string_view bytes, std::u16string& out);
bool systemKnows(std::string_view canonical);

}  // namespace qm::platform::codecs
