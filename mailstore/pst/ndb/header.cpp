#include "mailstore/pst/ndb/header.h"

#include <algorithm>

#include "mailstore/pst/ndb/crc.h"
#include "platform/bytes.h"

namespace qm::pst {

std::array<std::uint8_t, header::kSize> encodeHeader(const HeaderState& h) {
  using namespace header;
  std::array<std::uint8_t, kSize> b{};
  std::uint8_t* p = b.data();
  storeLe32(p, kMagic);
  storeLe16(p + kMagicClientAt, kMagicClient);
  storeLe16(p + kVer, kVersionUnicode);
  storeLe16(p + kVerClient, kClientVersion);
  p[kPlatformCreate] = 1;
  p[kPlatformAccess] = 1;
  storeLe64(p + kBidNextP, h.bidNextP);
  storeLe32(p + kUnique, h.unique);
  for (std::size_t i = 0; i < 32; ++i) storeLe32(p + kRgnid + 4 * i, h.rgnid[i]);
  std::uint8_t* r = p + kRoot;
  storeLe64(r + root::kFileEof, h.fileEof);
  storeLe64(r + root::kAMapLast, h.amapLast);
  storeLe64(r + root::kAMapFree, h.amapFree);
  storeLe64(r + root::kPMapFree, h.pmapFree);
  storeLe64(r + root::kNbt, h.nbt.bid);
  storeLe64(r + root::kNbt + 8, h.nbt.ib);
  storeLe64(r + root::kBbt, h.bbt.bid);
  storeLe64(r + root::kBbt + 8, h.bbt.ib);
  r[root::kAMapValid] = h.amapValid;
  // The header's own FMap and FPMap are deprecated and filled with 0xFF.
  std::fill(p + kRgbFM, p + kRgbFM + 256, 0xFF);
  p[kSentinel] = kSentinelValue;
  p[kCryptMethod] = h.cryptMethod;
  storeLe64(p + kBidNextB, h.bidNextB);
  storeLe32(p + kCrcPartial, computeCrc({p + kCrcPartialFrom, kCrcPartialLength}));
  storeLe32(p + kCrcFull, computeCrc({p + kCrcFullFrom, kCrcFullLength}));
  return b;
}

std::optional<DecodedHeader> decodeHeader(std::span<const std::uint8_t> bytes) {
  using namespace header;
  if (bytes.size() < kSize) return std::nullopt;
  const std::uint8_t* p = bytes.data();
  if (loadLe32(p) != kMagic || loadLe16(p + kMagicClientAt) != kMagicClient) return std::nullopt;
  DecodedHeader d;
  d.version = loadLe16(p + kVer);
  if (d.version < kVersionUnicode) return std::nullopt;
  HeaderState& h = d.state;
  h.bidNextP = loadLe64(p + kBidNextP);
  h.unique = loadLe32(p + kUnique);
  for (std::size_t i = 0; i < 32; ++i) h.rgnid[i] = loadLe32(p + kRgnid + 4 * i);
  const std::uint8_t* r = p + kRoot;
  h.fileEof = loadLe64(r + root::kFileEof);
  h.amapLast = loadLe64(r + root::kAMapLast);
  h.amapFree = loadLe64(r + root::kAMapFree);
  h.pmapFree = loadLe64(r + root::kPMapFree);
  h.nbt = {loadLe64(r + root::kNbt), loadLe64(r + root::kNbt + 8)};
  h.bbt = {loadLe64(r + root::kBbt), loadLe64(r + root::kBbt + 8)};
  h.amapValid = r[root::kAMapValid];
  h.cryptMethod = p[kCryptMethod];
  h.bidNextB = loadLe64(p + kBidNextB);
  d.crcPartialOk = computeCrc({p + kCrcPartialFrom, kCrcPartialLength}) == loadLe32(p + kCrcPartial);
  d.crcFullOk = computeCrc({p + kCrcFullFrom, kCrcFullLength}) == loadLe32(p + kCrcFull);
  return d;
}

}  // namespace qm::pst
