#include "mailstore/pst/ndb/crc.h"

#include <array>

#include "mailstore/pst/ndb/crc_fold.h"
#include "mailstore/pst/ndb/permute_wide.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

// Eight tables for taking eight bytes a step ("slicing by 8"): table k gives the CRC of a
// byte followed by k zero bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables makeCrcTables() {
  CrcTables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    t[0][i] = c;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}
const CrcTables kCrc = makeCrcTables();

// The first 256 bytes of mpbbCrypt (MS-PST 5.1): the encoding permutation.
constexpr std::array<std::uint8_t, 256> kPermute = {
    65,  54,  19,  98,  168, 33,  110, 187, 244, 22,  204, 4,   127, 100, 232, 93,  30,  242, 203, 42,
    116, 197, 94,  53,  210, 149, 71,  158, 150, 45,  154, 136, 76,  125, 132, 63,  219, 172, 49,  182,
    72,  95,  246, 196, 216, 57,  139, 231, 35,  59,  56,  142, 200, 193, 223, 37,  177, 32,  165, 70,
    96,  78,  156, 251, 170, 211, 86,  81,  69,  124, 85,  0,   7,   201, 43,  157, 133, 155, 9,   160,
    143, 173, 179, 15,  99,  171, 137, 75,  215, 167, 21,  90,  113, 102, 66,  191, 38,  74,  107, 152,
    250, 234, 119, 83,  178, 112, 5,   44,  253, 89,  58,  134, 126, 206, 6,   235, 130, 120, 87,  199,
    141, 67,  175, 180, 28,  212, 91,  205, 226, 233, 39,  79,  195, 8,   114, 128, 207, 176, 239, 245,
    40,  109, 190, 48,  77,  52,  146, 213, 14,  60,  34,  50,  229, 228, 249, 159, 194, 209, 10,  129,
    18,  225, 238, 145, 131, 118, 227, 151, 230, 97,  138, 23,  121, 164, 183, 220, 144, 122, 92,  140,
    2,   166, 202, 105, 222, 80,  26,  17,  147, 185, 82,  135, 88,  252, 237, 29,  55,  73,  27,  106,
    224, 41,  51,  153, 189, 108, 217, 148, 243, 64,  84,  111, 240, 198, 115, 184, 214, 62,  101, 24,
    68,  31,  221, 103, 16,  241, 12,  25,  236, 174, 3,   161, 20,  123, 169, 11,  255, 248, 163, 192,
    162, 1,   247, 46,  188, 36,  104, 117, 13,  254, 186, 47,  181, 208, 218, 61};

std::array<std::uint8_t, 256> invert(const std::array<std::uint8_t, 256>& p) {
  std::array<std::uint8_t, 256> inv{};
  for (int i = 0; i < 256; ++i) inv[p[i]] = static_cast<std::uint8_t>(i);
  return inv;
}
const std::array<std::uint8_t, 256> kUnpermute = invert(kPermute);

}  // namespace

std::uint32_t computeCrc(std::span<const std::uint8_t> data, std::uint32_t crc) {
  const std::size_t folded = foldCrc(data.data(), data.size(), crc);
  const std::uint8_t* p = data.data() + folded;
  std::size_t n = data.size() - folded;
  for (; n >= 8; n -= 8, p += 8) {
    const std::uint32_t lo = loadLe32(p) ^ crc, hi = loadLe32(p + 4);
    crc = kCrc[7][lo & 0xFF] ^ kCrc[6][(lo >> 8) & 0xFF] ^ kCrc[5][(lo >> 16) & 0xFF] ^ kCrc[4][lo >> 24] ^
          kCrc[3][hi & 0xFF] ^ kCrc[2][(hi >> 8) & 0xFF] ^ kCrc[1][(hi >> 16) & 0xFF] ^ kCrc[0][hi >> 24];
  }
  for (; n > 0; --n, ++p) crc = kCrc[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint16_t computeSig(std::uint64_t ib, std::uint64_t bid) {
  const auto v = static_cast<std::uint32_t>(ib ^ bid);
  return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

void permuteEncode(std::span<std::uint8_t> data) { permuteEncode(data, data.data()); }
void permuteEncode(std::span<const std::uint8_t> data, std::uint8_t* out) {
  std::size_t done = permuteWide(data.data(), data.size(), out, kPermute);
  for (const std::uint8_t b : data.subspan(done)) out[done++] = kPermute[b];
}
void permuteDecode(std::span<std::uint8_t> data) {
  for (auto& b : data) b = kUnpermute[b];
}

}  // namespace qm::pst
