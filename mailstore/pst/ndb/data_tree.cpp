#include "mailstore/pst/ndb/data_tree.h"

#include <algorithm>

#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

Bid writeXBlock(NdbWriter& ndb, std::uint8_t level, std::span<const Bid> children, std::uint64_t total,
                std::vector<Bid>* blocks) {
  ByteWriter w;
  w.u8(block::kTypeX);
  w.u8(level);
  w.le16(static_cast<std::uint16_t>(children.size()));
  w.le32(static_cast<std::uint32_t>(total));
  for (Bid b : children) w.le64(b);
  const Bid bid = ndb.writeBlock(w.data(), true);
  if (blocks) blocks->push_back(bid);
  return bid;
}

}  // namespace

Bid writeDataTree(NdbWriter& ndb, std::span<const std::uint8_t> data, std::vector<Bid>* blocks) {
  if (data.size() > kMaxStreamSize) throw mail::StoreError("a value is too large for a personal folder file");
  BlockListWriter w(ndb, blocks);
  for (std::size_t at = 0; at < data.size(); at += block::kMaxData)
    w.add(data.subspan(at, std::min(block::kMaxData, data.size() - at)));
  return w.finish();
}

void BlockListWriter::add(std::span<const std::uint8_t> block) {
  leaves_.push_back(ndb_.writeBlock(block, false));
  if (written_) written_->push_back(leaves_.back());
  sizes_.push_back(block.size());
  total_ += block.size();
  if (total_ > kMaxStreamSize) throw mail::StoreError("a value is too large for a personal folder file");
}

Bid BlockListWriter::finish() {
  if (leaves_.empty()) return 0;
  if (leaves_.size() == 1) return leaves_.front();
  if (leaves_.size() <= block::kMaxXEntries) return writeXBlock(ndb_, 1, leaves_, total_, written_);
  std::vector<Bid> xblocks;
  for (std::size_t i = 0; i < leaves_.size(); i += block::kMaxXEntries) {
    const std::size_t n = std::min(block::kMaxXEntries, leaves_.size() - i);
    std::uint64_t bytes = 0;
    for (std::size_t k = i; k < i + n; ++k) bytes += sizes_[k];
    xblocks.push_back(writeXBlock(ndb_, 1, std::span(leaves_).subspan(i, n), bytes, written_));
  }
  if (xblocks.size() > block::kMaxXEntries) throw mail::StoreError("a value is too large for a personal folder file");
  return writeXBlock(ndb_, 2, xblocks, total_, written_);
}

Bid writeBlockList(NdbWriter& ndb, const std::vector<std::vector<std::uint8_t>>& blocks, std::vector<Bid>* written) {
  BlockListWriter w(ndb, written);
  for (const auto& b : blocks) w.add(b);
  return w.finish();
}

}  // namespace qm::pst
