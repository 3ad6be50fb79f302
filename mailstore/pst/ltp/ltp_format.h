// On-disk layout of the lists, tables and properties layer (MS-PST 2.3).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::pst {

// MS-PST 2.3.1 heap-on-node.
namespace heap {
inline constexpr std::uint8_t kSig = 0xEC;
inline constexpr std::uint8_t kClientTc = 0x7C, kClientBth = 0xB5, kClientPc = 0xBC;
inline constexpr std::size_t kHnhdrSize = 12;      // ibHnpm, bSig, bClientSig, hidUserRoot, rgbFillLevel
inline constexpr std::size_t kPageHdrSize = 2;     // HNPAGEHDR: ibHnpm
inline constexpr std::size_t kBitmapHdrSize = 66;  // HNBITMAPHDR: ibHnpm, rgbFillLevel[64]
inline constexpr std::size_t kMaxItem = 3580;
inline constexpr std::size_t kBlockData = 8176;
constexpr bool isBitmapBlock(std::size_t i) { return i >= 8 && (i - 8) % 128 == 0; }
constexpr std::uint32_t makeHid(std::size_t block, std::size_t index) {
  return static_cast<std::uint32_t>((block << 16) | (index << 5));
}
}  // namespace heap
static_assert(heap::makeHid(0, 1) == 0x20);

// MS-PST 2.3.2 BTH header.
namespace bth {
inline constexpr std::uint8_t kType = 0xB5;
inline constexpr std::size_t kHeaderSize = 8;  // bType, cbKey, cbEnt, bIdxLevels, hidRoot
}  // namespace bth

// MS-PST 2.3.4.1 TCINFO and 2.3.4.2 TCOLDESC.
namespace tc {
inline constexpr std::uint8_t kType = 0x7C;
inline constexpr std::size_t kInfoFixed = 22;  // bType, cCols, rgib[4], hidRowIndex, hnidRows, hidIndex
inline constexpr std::size_t kColDescSize = 8;  // tag, ibData, cbData, iBit
inline constexpr std::uint32_t kTagRowId = 0x67F20003;
inline constexpr std::uint32_t kTagRowVer = 0x67F30003;
}  // namespace tc

}  // namespace qm::pst
