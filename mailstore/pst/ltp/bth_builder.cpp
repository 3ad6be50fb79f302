#include "mailstore/pst/ltp/bth_builder.h"

#include <algorithm>

#include "mailstore/pst/ltp/ltp_format.h"
#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {

BthBuilder::BthBuilder(HeapBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t count)
    : heap_(heap), cbKey_(cbKey), cbEnt_(cbEnt), count_(count) {
  header_ = heap_.allocate(bth::kHeaderSize);
  std::size_t entries = count;
  std::size_t width = std::size_t{cbKey} + cbEnt;
  while (entries > 0) {
    const std::size_t per = heap::kMaxItem / width;
    std::vector<std::uint32_t> hids;
    std::vector<std::size_t> sizes;
    for (std::size_t left = entries; left > 0;) {
      const std::size_t n = std::min(per, left);
      hids.push_back(heap_.allocate(n * width));
      sizes.push_back(n);
      left -= n;
    }
    levels_.push_back(std::move(hids));
    sizes_.push_back(std::move(sizes));
    if (levels_.back().size() == 1) break;
    entries = levels_.back().size();
    width = std::size_t{cbKey} + 4;
  }
}

void BthBuilder::fill(std::span<const std::uint8_t> records) {
  std::size_t width = std::size_t{cbKey_} + cbEnt_;
  if (records.size() != count_ * width) throw mail::StoreError("internal error: record count changed");
  // Each level's items take the records in turn; the level above gets the first key of
  // each item with the item's HID.
  std::span<const std::uint8_t> current = records;
  std::vector<std::uint8_t> above, index;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    index.clear();
    std::size_t at = 0;
    for (std::size_t i = 0; i < levels_[level].size(); ++i) {
      const std::size_t bytes = sizes_[level][i] * width;
      heap_.set(levels_[level][i], current.subspan(at, bytes));
      index.insert(index.end(), current.begin() + static_cast<std::ptrdiff_t>(at),
                   current.begin() + static_cast<std::ptrdiff_t>(at + cbKey_));
      index.resize(index.size() + 4);
      storeLe32(&index[index.size() - 4], levels_[level][i]);
      at += bytes;
    }
    above.swap(index);
    current = above;
    width = std::size_t{cbKey_} + 4;
  }
  std::uint8_t h[bth::kHeaderSize] = {bth::kType, cbKey_, cbEnt_, 0, 0, 0, 0, 0};
  if (!levels_.empty()) {
    h[3] = static_cast<std::uint8_t>(levels_.size() - 1);
    storeLe32(h + 4, levels_.back().front());
  }
  heap_.set(header_, h);
}

}  // namespace qm::pst
