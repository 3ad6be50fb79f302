// The structural check of a message store: its header against the file, every index tree
// walked and counted, every record and every block chain read, and the header's counters
// against what was found. Used by the tests on every store we write and on real stores,
// and by the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oestore/store_source.h"

namespace oe {

struct StoreCheck {
  std::vector<std::string> problems;  // empty when the store is sound
  std::uint32_t mails = 0;
  std::uint32_t nodes = 0;
  std::uint32_t blocks = 0;
  bool sound() const { return problems.empty(); }
};

StoreCheck checkMessageStore(StoreSource& source);

}  // namespace oe
