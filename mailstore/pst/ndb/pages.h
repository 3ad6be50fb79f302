// Encoding of pages and block trailers (MS-PST 2.2.2.7, 2.2.2.8.1).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "mailstore/pst/ndb/ndb_format.h"

namespace qm::pst {

using PageBytes = std::array<std::uint8_t, page::kSize>;

// A page whose 496-byte body is filled in; the trailer is added here. Map pages carry
// wSig 0 and their file offset as BID; B-tree pages a real signature and page BID.
void sealPage(PageBytes& page, std::uint8_t ptype, std::uint64_t ib, std::uint64_t bid, bool signature);

// A B-tree page with its entries already in the first 488 bytes.
void sealBtPage(PageBytes& page, std::uint8_t ptype, std::size_t count, std::size_t entrySize,
                std::size_t maxCount, unsigned level, std::uint64_t ib, std::uint64_t bid);

// Makes a whole block as written of `block` (block::allocatedSize(cb) bytes), whose first
// cb bytes hold the data, already encoded: zero padding after them and the trailer.
void sealBlock(std::span<std::uint8_t> block, std::size_t cb, std::uint64_t ib, Bid bid);

}  // namespace qm::pst
