// The byte permutation of NDB_CRYPT_PERMUTE (MS-PST 5.1) 64 bytes at a time with AVX-512
// VBMI where the processor has it (x86-64): every data block goes through it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm::pst {

// Writes table[in[i]] to out[i] for whole pieces of 64 bytes of `in` (n available).
// Returns the bytes done; 0 where the processor offers no such instructions.
std::size_t permuteWide(const std::uint8_t* in, std::size_t n, std::uint8_t* out,
                        const std::array<std::uint8_t, 256>& table);

}  // namespace qm::pst
