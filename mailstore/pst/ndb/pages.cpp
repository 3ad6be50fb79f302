#include "mailstore/pst/ndb/pages.h"

#include <algorithm>

#include "mailstore/pst/ndb/crc.h"
#include "platform/bytes.h"

namespace qm::pst {

void sealPage(PageBytes& page, std::uint8_t ptype, std::uint64_t ib, std::uint64_t bid, bool signature) {
  std::uint8_t* t = page.data() + page::kTrailerAt;
  t[0] = ptype;
  t[1] = ptype;
  storeLe16(t + 2, signature ? computeSig(ib, bid) : 0);
  storeLe32(t + 4, computeCrc({page.data(), page::kBodySize}));
  storeLe64(t + 8, bid);
}

void sealBtPage(PageBytes& page, std::uint8_t ptype, std::size_t count, std::size_t entrySize,
                std::size_t maxCount, unsigned level, std::uint64_t ib, std::uint64_t bid) {
  page[btpage::kCEnt] = static_cast<std::uint8_t>(count);
  page[btpage::kCEntMax] = static_cast<std::uint8_t>(maxCount);
  page[btpage::kCbEnt] = static_cast<std::uint8_t>(entrySize);
  page[btpage::kCLevel] = static_cast<std::uint8_t>(level);
  sealPage(page, ptype, ib, bid, true);
}

void sealBlock(std::span<std::uint8_t> block, std::size_t cb, std::uint64_t ib, Bid bid) {
  std::uint8_t* t = block.data() + block.size() - block::kTrailerSize;
  std::fill(block.data() + cb, t, std::uint8_t{0});
  storeLe16(t, static_cast<std::uint16_t>(cb));
  storeLe16(t + 2, computeSig(ib, bid));
  storeLe32(t + 4, computeCrc(block.first(cb)));
  storeLe64(t + 8, bid);
}

}  // namespace qm::pst
