// Base64 decoding 32 or 16 characters at a time with AVX2 or SSSE3 where the processor has
// them (x86-64): the bulk of a store's bytes are base64 attachments.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::mail::mime {

// Decodes whole blocks of 16 alphabet characters from `in` (n characters available) until a
// block holds anything else (a line break, padding) or fewer than 16 remain. Writes 3 bytes
// for every 4 characters to `out` but stores up to 32 at a time, so `out` needs 8 bytes to
// spare.
// Returns the characters consumed; 0 where the processor offers no such instructions.
std::size_t decodeBase64Blocks(const unsigned char* in, std::size_t n, std::uint8_t* out);

}  // namespace qm::mail::mime
