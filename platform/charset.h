// Character sets to UTF-16: the text of mail arrives in whatever charset its sender used.
// UTF-8, UTF-16, UTF-7, US-ASCII, ISO-8859-1 and windows-1252 are decoded here on every
// platform; the rest go through iconv on POSIX and the code-page functions on Windows.
//
// Nothing is ever dropped: a charset nobody knows is read as windows-1252, and a byte that
// is not valid in the declared charset is read as the windows-1252 character of that byte
// (its Latin-1 code point where windows-1252 leaves the byte undefined).
#pragma once

#include <string>
#include <string_view>

namespace qm::platform {

// The charset name in canonical form: lower case, quotes and blanks removed, common aliases
// folded ("utf8" -> "utf-8", "latin1" -> "iso-8859-1", "cp1252" -> "windows-1252").
std::string canonicalCharset(std::string_view name);

// True when `toUtf16` decodes the charset itself rather than falling back to windows-1252.
bool isKnownCharset(std::string_view name);

// Decodes `bytes` in `charset`; an empty or unknown name reads as windows-1252.
std::u16string toUtf16(std::string_view bytes, std::string_view charset);

// Windows-1252, the fallback of every decoder.
std::u16string windows1252ToUtf16(std::string_view bytes);
char16_t windows1252Char(unsigned char byte);

// UTF-8 and UTF-16 conversions. Invalid UTF-8 bytes read as windows-1252; unpaired
// surrogates become U+FFFD on the way to UTF-8.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view text);
// True when the bytes are well-formed UTF-8 (pure ASCII included).
bool isValidUtf8(std::string_view bytes);

}  // namespace qm::platform
