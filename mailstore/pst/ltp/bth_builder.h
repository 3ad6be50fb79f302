// B-trees on a heap (MS-PST 2.3.2): sorted records in leaf items and index items above them
// when they do not fit one item. The space is reserved first and filled afterwards, so that
// records can hold HIDs of items allocated after them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mailstore/pst/ltp/heap_builder.h"

namespace qm::pst {

class BthBuilder {
 public:
  // Reserves the header and the items for `count` records of cbKey + cbEnt bytes.
  BthBuilder(HeapBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t count);

  std::uint32_t headerHid() const { return header_; }
  // Writes the records (cbKey + cbEnt bytes each, one after another), sorted by key
  // (unsigned little-endian), count as reserved.
  void fill(std::span<const std::uint8_t> records);

 private:
  HeapBuilder& heap_;
  std::uint8_t cbKey_, cbEnt_;
  std::size_t count_;
  std::uint32_t header_ = 0;
  std::vector<std::vector<std::uint32_t>> levels_;  // item HIDs per level, leaves first
  std::vector<std::vector<std::size_t>> sizes_;     // entries per item
};

}  // namespace qm::pst
