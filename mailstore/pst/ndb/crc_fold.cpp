// Folding after V. Gopal, E. Ozturk et al., "Fast CRC Computation for Generic Polynomials
// Using PCLMULQDQ Instruction" (Intel, 2009), in its bit-reflected form: four 128-bit lanes
// are folded forward 64 bytes a step, then into one lane, then to 64 and 32 bits, and the
// last step is a Barrett reduction. The constants are, for P = 0x104C11DB7 and with bits
// reflected: k1 = x^(4*128+32) mod P, k2 = x^(4*128-32) mod P, k3 = x^(128+32) mod P,
// k4 = x^(128-32) mod P, k5 = x^64 mod P, each shifted left by one; mu = x^64 / P.
#include "mailstore/pst/ndb/crc_fold.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace qm::pst {
namespace {

// One fold: the lane's two halves times the two constants, added to what follows.
__attribute__((target("pclmul,sse2"), always_inline)) inline __m128i fold(__m128i lane, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11)),
                       next);
}

__attribute__((target("pclmul,sse2"))) std::size_t foldPclmul(const std::uint8_t* data, std::size_t n,
                                                              std::uint32_t& crc) {
  auto load = [data](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)); };
  __m128i x1 = _mm_xor_si128(load(0), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = load(16), x3 = load(32), x4 = load(48);
  std::size_t at = 64;
  const __m128i k1k2 = _mm_set_epi64x(0x1C6E41596, 0x154442BD4);
  for (; at + 64 <= n; at += 64) {
    x1 = fold(x1, k1k2, load(at));
    x2 = fold(x2, k1k2, load(at + 16));
    x3 = fold(x3, k1k2, load(at + 32));
    x4 = fold(x4, k1k2, load(at + 48));
  }
  const __m128i k3k4 = _mm_set_epi64x(0x0CCAA009E, 0x1751997D0);
  x1 = fold(fold(fold(x1, k3k4, x2), k3k4, x3), k3k4, x4);
  for (; at + 16 <= n; at += 16) x1 = fold(x1, k3k4, load(at));

  // 128 bits to 64, then to 32 and 32 more.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
  const __m128i k5 = _mm_set_epi64x(0, 0x163CD6124);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
  // Barrett reduction with P and mu.
  const __m128i poly = _mm_set_epi64x(0x1F7011641, 0x1DB710641);
  __m128i t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10), low32);
  t = _mm_clmulepi64_si128(t, poly, 0x00);
  crc = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(_mm_xor_si128(x1, t), 4)));
  return at;
}

}  // namespace

std::size_t foldCrc(const std::uint8_t* data, std::size_t n, std::uint32_t& crc) {
  static const bool available = __builtin_cpu_supports("pclmul");
  return available && n >= 64 ? foldPclmul(data, n, crc) : 0;
}

}  // namespace qm::pst

#else

namespace qm::pst {

std::size_t foldCrc(const std::uint8_t*, std::size_t, std::uint32_t&) { return 0; }

}  // namespace qm::pst

#endif
