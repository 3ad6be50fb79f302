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

void BthBuilder::fill(const std::vector<std::vector<std::uint8_t>>& records) {
  if (records.size() != count_) throw mail::StoreError("internal error: record count changed");
  std::vector<std::vector<std::uint8_t>> current = records;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    std::vector<std::vector<std::uint8_t>> up;
    std::size_t at = 0;
    for (std::size_t i = 0; i < levels_[level].size(); ++i) {
      std::vector<std::uint8_t> item;
      for (std::size_t k = 0; k < sizes_[level][i]; ++k, ++at) item.insert(item.end(), current[at].begin(), current[at].end());
      heap_.set(levels_[level][i], item);
      std::vector<std::uint8_t> index(current[at - sizes_[level][i]].begin(),
                                      current[at - sizes_[level][i]].begin() + cbKey_);
      index.resize(std::size_t{cbKey_} + 4);
      storeLe32(&index[cbKey_], levels_[level][i]);
      up.push_back(std::move(index));
    }
    current = std::move(up);
  }
  std::uint8_t h[bth::kHeaderSize] = {bth::kType, cbKey_, cbEnt_, 0, 0, 0, 0, 0};
  if (!levels_.empty()) {
    h[3] = static_cast<std::uint8_t>(levels_.size() - 1);
    storeLe32(h + 4, levels_.back().front());
  }
  heap_.set(header_, h);
}

}  // namespace qm::pst
