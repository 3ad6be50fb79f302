#include <sys/mman.h>

#include <cstdint>

#include "platform/memory.h"

namespace qm::platform {

void adviseLargePages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t end = begin + bytes;
  begin = (begin + kLargePage - 1) & ~(kLargePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace qm::platform
