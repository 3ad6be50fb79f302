// Checksums and encodings of the node database layer.
#pragma once

#include <cstdint>
#include <span>

#include "mailstore/pst/ndb/ndb_format.h"

namespace qm::pst {

// MS-PST 5.3: CRC-32 with the reflected 0xEDB88320 table, initial value 0, no final XOR.
std::uint32_t computeCrc(std::span<const std::uint8_t> data, std::uint32_t crc = 0);

// MS-PST 5.5: the 16-bit signature of a page or block at file offset ib with id bid.
std::uint16_t computeSig(std::uint64_t ib, std::uint64_t bid);

// MS-PST 5.1: NDB_CRYPT_PERMUTE on the data of data blocks (never on internal blocks).
void permuteEncode(std::span<std::uint8_t> data);
// The same, written to `out` (at least as long as the data).
void permuteEncode(std::span<const std::uint8_t> data, std::uint8_t* out);
void permuteDecode(std::span<std::uint8_t> data);

}  // namespace qm::pst
