// Content-Transfer-Encoding (RFC 2045 section 6): base64 and quoted-printable decoders that
// read whatever they are given, plus the identity encodings 7bit, 8bit and binary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::mail::mime {

enum class TransferEncoding { Identity, Base64, QuotedPrintable, UuEncode };

// The encoding a Content-Transfer-Encoding value names; anything unknown is read as is.
TransferEncoding transferEncodingOf(std::string_view unfoldedValue);

// Appends the decoded bytes. Characters outside the alphabet (line breaks, stray bytes) are
// skipped; padding ends a quantum and decoding goes on after it, so base64 bodies glued
// together still decode; an incomplete last quantum gives the whole bytes it holds.
void decodeBase64(std::string_view text, std::vector<std::uint8_t>& out);
// For encoded words: false when a character outside the base64 alphabet appears.
bool decodeBase64Strictly(std::string_view text, std::string& out);

// Soft line breaks removed, "=XX" decoded (either letter case), blanks at line ends dropped
// (RFC 2045 section 6.7); an "=" that starts no valid escape stays as it stood.
void decodeQuotedPrintable(std::string_view text, std::vector<std::uint8_t>& out);

int hexValue(char c);

}  // namespace qm::mail::mime
