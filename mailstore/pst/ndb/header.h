// The file header and its root (MS-PST 2.2.2.6, 2.2.2.5).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "mailstore/pst/ndb/btree.h"
#include "mailstore/pst/ndb/ndb_format.h"

namespace qm::pst {

struct HeaderState {
  std::uint64_t bidNextP = 0;
  std::uint64_t bidNextB = 0;
  std::uint32_t unique = 0;
  std::array<std::uint32_t, 32> rgnid{};
  std::uint64_t fileEof = 0;
  std::uint64_t amapLast = 0;
  std::uint64_t amapFree = 0;
  std::uint64_t pmapFree = 0;
  PageRef nbt;
  PageRef bbt;
  std::uint8_t amapValid = root::kValidAMap2;
  std::uint8_t cryptMethod = header::kCryptPermute;
};

std::array<std::uint8_t, header::kSize> encodeHeader(const HeaderState& h);

struct DecodedHeader {
  HeaderState state;
  std::uint16_t version = 0;
  bool crcPartialOk = false;
  bool crcFullOk = false;
};
// Reads a Unicode header; nullopt when the magic or the version is not a Unicode file's.
std::optional<DecodedHeader> decodeHeader(std::span<const std::uint8_t> bytes);

}  // namespace qm::pst
