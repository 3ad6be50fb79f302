// A mail's text through its chain of 528-byte blocks, from the block the message info
// record names: the used bytes of every block in chain order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oestore/store_source.h"

namespace oe {

struct ChainRead {
  std::string text;
  std::vector<std::uint32_t> blocks;  // every block read, in chain order
  std::vector<std::string> problems;  // empty when the chain is whole
  bool whole() const { return problems.empty(); }
};

// Follows the chain from `first`. A block must lie in the file, name itself, have a data
// area of 512 bytes, use 1 to 512 of them, and be full when another follows. The walk ends
// at a block that names no successor, at a fault, or at a block reached before.
ChainRead readChain(StoreSource& source, std::uint32_t first);

}  // namespace oe
