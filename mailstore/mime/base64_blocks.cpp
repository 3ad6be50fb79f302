// The decoders follow the published method of W. Muła and D. Lemire ("Faster Base64
// Encoding and Decoding Using AVX2 Instructions", 2018), in its 256-bit form and a 128-bit
// one: two nibble lookups classify each character, a third gives the offset from character
// to sextet, and two multiply-adds pack four sextets into three bytes.
#include "mailstore/mime/base64_blocks.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace qm::mail::mime {

namespace {

__attribute__((target("ssse3"))) std::size_t decodeBlocksSsse3(const unsigned char* in, std::size_t n,
                                                                std::uint8_t* out) {
  // A character is valid when the classes of its low and its high nibble share no bit.
  const __m128i lutLo = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                      0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m128i lutHi = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10,
                                      0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  // Offsets by high nibble ('/' has its own): '+' 43->62, '/' 47->63, digits, 'A'-'Z', 'a'-'z'.
  const __m128i lutRoll = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i slash = _mm_set1_epi8(0x2F);
  const __m128i pack = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t done = 0;
  while (done + 16 <= n) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    const __m128i hiNibbles = _mm_and_si128(_mm_srli_epi32(s, 4), nibble);
    const __m128i loNibbles = _mm_and_si128(s, nibble);
    const __m128i hi = _mm_shuffle_epi8(lutHi, hiNibbles);
    const __m128i lo = _mm_shuffle_epi8(lutLo, loNibbles);
    if (_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_and_si128(lo, hi), _mm_setzero_si128())) != 0) break;
    const __m128i roll = _mm_shuffle_epi8(lutRoll, _mm_add_epi8(_mm_cmpeq_epi8(s, slash), hiNibbles));
    s = _mm_add_epi8(s, roll);
    // 00aaaaaa 00bbbbbb ... -> aaaaaabb bbbbcccc ccdddddd, byte order fixed by the shuffle.
    const __m128i pairs = _mm_maddubs_epi16(s, _mm_set1_epi32(0x01400140));
    const __m128i quads = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(quads, pack));
    out += 12;
    done += 16;
  }
  return done;
}

__attribute__((target("avx2"))) std::size_t decodeBlocksAvx2(const unsigned char* in, std::size_t n,
                                                               std::uint8_t* out) {
  const __m256i lutLo = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                         0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11,
                                         0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B,
                                         0x1B, 0x1A);
  const __m256i lutHi = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10,
                                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02,
                                         0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,
                                         0x10, 0x10);
  const __m256i lutRoll = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i slash = _mm256_set1_epi8(0x2F);
  const __m256i pack = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1,
                                        0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  // The twelve bytes of the upper lane moved up against those of the lower one.
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  std::size_t done = 0;
  while (done + 32 <= n) {
    __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done));
    const __m256i hiNibbles = _mm256_and_si256(_mm256_srli_epi32(s, 4), nibble);
    const __m256i loNibbles = _mm256_and_si256(s, nibble);
    const __m256i hi = _mm256_shuffle_epi8(lutHi, hiNibbles);
    const __m256i lo = _mm256_shuffle_epi8(lutLo, loNibbles);
    if (!_mm256_testz_si256(lo, hi)) break;
    const __m256i roll = _mm256_shuffle_epi8(lutRoll, _mm256_add_epi8(_mm256_cmpeq_epi8(s, slash), hiNibbles));
    s = _mm256_add_epi8(s, roll);
    const __m256i pairs = _mm256_maddubs_epi16(s, _mm256_set1_epi32(0x01400140));
    const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(quads, pack), join);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
    out += 24;
    done += 32;
  }
  return done;
}

enum class Level { None, Ssse3, Avx2 };

Level level() {
  static const Level best = __builtin_cpu_supports("avx2")    ? Level::Avx2
                            : __builtin_cpu_supports("ssse3") ? Level::Ssse3
                                                              : Level::None;
  return best;
}

}  // namespace

std::size_t decodeBase64Blocks(const unsigned char* in, std::size_t n, std::uint8_t* out) {
  switch (level()) {
    case Level::Avx2: {
      const std::size_t done = decodeBlocksAvx2(in, n, out);
      return done + decodeBlocksSsse3(in + done, n - done, out + done / 4 * 3);
    }
    case Level::Ssse3:
      return decodeBlocksSsse3(in, n, out);
    case Level::None:
      break;
  }
  return 0;
}

}  // namespace qm::mail::mime

#else

namespace qm::mail::mime {

std::size_t decodeBase64Blocks(const unsigned char*, std::size_t, std::uint8_t*) { return 0; }

}  // namespace qm::mail::mime

#endif
