// Memory hints that differ between systems.
#pragma once

#include <cstddef>

namespace qm::platform {

// Asks the system to back a large, freshly allocated range with large pages where it can
// (transparent huge pages on Linux), so that filling it costs a few page faults instead of
// one per 4 KiB. A hint only: nothing happens where the system has no such thing.
void adviseLargePages(void* data, std::size_t bytes);

// Asks the system to map in the pages of a range of a file mapping that is about to be read,
// in one call instead of a page fault every few pages. A hint only: the range may lie past a
// file that has shrunk, and nothing happens where the system has no such call.
void adviseReadSoon(const void* data, std::size_t bytes);

}  // namespace qm::platform
