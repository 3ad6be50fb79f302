#include <sys/mman.h>
#include <unistd.h>

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

void adviseReadSoon(const void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_READ
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(data) + bytes;
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_READ);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace qm::platform
