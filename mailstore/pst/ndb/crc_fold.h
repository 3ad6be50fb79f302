// The CRC of MS-PST 5.3 over long runs of bytes with carry-less multiplication (PCLMULQDQ)
// where the processor has it (x86-64): every data block's trailer carries the CRC of its
// data, so the whole of a store's bytes goes through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::pst {

// Takes `crc` over whole 16-byte pieces of `data` (n bytes available, at least 64 needed).
// Returns the bytes taken; 0 where the processor offers no such instruction, or n < 64.
std::size_t foldCrc(const std::uint8_t* data, std::size_t n, std::uint32_t& crc);

}  // namespace qm::pst
