// Lays out an index tree over values already in tree order: a balanced counted B-tree whose
// leaves are all at one depth, built from the top so that every node holds as many entries
// as its share of the values needs (never more than 51), and written node after node.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace oe {

struct PlannedNode {
  std::vector<std::uint32_t> values;      // entry values
  std::vector<std::int64_t> children;     // values.size() + 1 node numbers, -1 in a leaf
  std::vector<std::uint32_t> childCounts; // values below each child
  std::int64_t parent = -1;
  std::uint8_t id = 0;                    // position under the parent: 0 leftmost, k + 1 entry k
};

// The nodes in the order they are written; node 0 is the root. Empty for no values.
std::vector<PlannedNode> planTree(std::span<const std::uint32_t> values);
// How many nodes planTree makes for `count` values.
std::uint64_t treeNodeCount(std::uint64_t count);
// The nodes' bytes when node i is written at start + i * 0x27C.
std::vector<std::uint8_t> encodeTree(const std::vector<PlannedNode>& nodes, std::uint32_t start);

}  // namespace oe
