// Writes a compound file (MS-CFB version 3) from a tree: streams under 4,096 bytes in the
// mini stream, larger ones in sector chains, the allocation table with its DIFAT chain when
// it needs more than the header's 109 entries, and each storage's children as a red-black
// tree in the prescribed sibling order.
#pragma once

#include <cstdint>
#include <functional>

#include "mailstore/cfb/cfb_tree.h"

namespace qm::cfb {

// Receives the file's bytes in order; throws to abandon the write.
using ByteSink = std::function<void(Bytes)>;

// The size of the file the tree gives, in bytes.
std::uint64_t compoundFileSize(const CfbTree& tree);

void writeCompoundFile(const CfbTree& tree, const ByteSink& sink);

}  // namespace qm::cfb
