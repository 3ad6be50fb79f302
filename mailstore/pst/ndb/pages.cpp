#include "mailstore/pst/ndb/pages.h"

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

std::vector<std::uint8_t> sealBlock(std::span<const std::uint8_t> data, std::uint64_t ib, Bid bid) {
  std::vector<std::uint8_t> out(block::allocatedSize(data.size()), 0);
  std::copy(data.begin(), data.end(), out.begin());
  std::uint8_t* t = out.data() + out.size() - block::kTrailerSize;
  storeLe16(t, static_cast<std::uint16_t>(data.size()));
  storeLe16(t + 2, computeSig(ib, bid));
  storeLe32(t + 4, computeCrc(data));
  storeLe64(t + 8, bid);
  return out;
}

}  // namespace qm::pst
