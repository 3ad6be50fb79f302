// The index trees of a store file: counted B-trees of 0x27C-byte nodes whose entries point
// at indexed-info records. The walk knows nothing of what the records hold, so the same
// walk serves the message stores' mail records and the folder list's folder records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oestore/store_source.h"

namespace oe {

struct TreeWalk {
  std::vector<std::uint32_t> values;  // the entries' values (record pointers) in tree order
  std::vector<std::uint32_t> nodes;   // every node reached, in the order they were read
  std::vector<std::string> problems;  // empty when the tree is whole and its counts agree
  bool whole() const { return problems.empty(); }
};

// Walks the tree whose root node is at `root` (0: an empty tree) in order: a node's leftmost
// subtree, then each entry's value followed by the entry's subtree. Checks every node's self
// and parent fields, its entry count, the values counted below each child against those
// found there, and the total against `expectedCount`. A node outside the file, reached
// twice or deeper than any real tree ends that branch with a problem; the rest is walked.
TreeWalk walkTree(StoreSource& source, std::uint32_t root, std::uint32_t expectedCount);

}  // namespace oe
