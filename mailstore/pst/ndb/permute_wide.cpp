// The 256-byte table sits in four 64-byte registers: two two-register lookups give the
// entries for bytes below and above 128, and the top bit of each byte picks between them.
#include "mailstore/pst/ndb/permute_wide.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace qm::pst {
namespace {

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t permuteVbmi(
    const std::uint8_t* in, std::size_t n, std::uint8_t* out, const std::array<std::uint8_t, 256>& table) {
  const __m512i t0 = _mm512_loadu_si512(table.data());
  const __m512i t1 = _mm512_loadu_si512(table.data() + 64);
  const __m512i t2 = _mm512_loadu_si512(table.data() + 128);
  const __m512i t3 = _mm512_loadu_si512(table.data() + 192);
  std::size_t done = 0;
  for (; done + 64 <= n; done += 64) {
    const __m512i x = _mm512_loadu_si512(in + done);
    const __m512i low = _mm512_permutex2var_epi8(t0, x, t1);
    const __m512i high = _mm512_permutex2var_epi8(t2, x, t3);
    _mm512_storeu_si512(out + done, _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high));
  }
  return done;
}

}  // namespace

std::size_t permuteWide(const std::uint8_t* in, std::size_t n, std::uint8_t* out,
                        const std::array<std::uint8_t, 256>& table) {
  static const bool available = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
  return available ? permuteVbmi(in, n, out, table) : 0;
}

}  // namespace qm::pst

#else

namespace qm::pst {

std::size_t permuteWide(const std::uint8_t*, std::size_t, std::uint8_t*, const std::array<std::uint8_t, 256>&) {
  return 0;
}

}  // namespace qm::pst

#endif
