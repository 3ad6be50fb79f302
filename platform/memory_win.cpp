#include "platform/memory.h"

namespace qm::platform {

// Large pages on Windows need a privilege that a user's process does not hold.
void adviseLargePages(void*, std::size_t) {}
void adviseReadSoon(const void*, std::size_t) {}

}  // namespace qm::platform
