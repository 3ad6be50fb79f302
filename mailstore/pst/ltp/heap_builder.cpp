#include "mailstore/pst/ltp/heap_builder.h"

#include <algorithm>

#include "mailstore/pst/ltp/ltp_format.h"
#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

// MS-PST 2.3.1.2 fill levels by free bytes in a block.
std::uint8_t fillLevel(std::size_t freeBytes) {
  static constexpr std::size_t kLimits[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                            512,  256,  128,  64,   32,   16,   8};
  for (std::uint8_t i = 0; i < 15; ++i)
    if (freeBytes >= kLimits[i]) return i;
  return 15;
}

}  // namespace

std::size_t HeapBuilder::headerSize(std::size_t blockIndex) {
  if (blockIndex == 0) return heap::kHnhdrSize;
  return heap::isBitmapBlock(blockIndex) ? heap::kBitmapHdrSize : heap::kPageHdrSize;
}

std::size_t HeapBuilder::blockSize(std::size_t blockIndex, const Block& b) {
  const std::size_t mapAt = (headerSize(blockIndex) + b.items.size() + 1) / 2 * 2;
  return mapAt + 4 + 2 * (b.ends.size() + 1);
}

std::uint32_t HeapBuilder::allocate(std::size_t size) {
  if (size == 0 || size > heap::kMaxItem) throw mail::StoreError("internal error: heap item of a wrong size");
  Block* b = &blocks_.back();
  const std::size_t grown = (headerSize(blocks_.size() - 1) + b->items.size() + size + 1) / 2 * 2 + 4 +
                            2 * (b->ends.size() + 2);
  if (grown > heap::kBlockData || b->ends.size() >= 2047) {
    if (blocks_.size() >= 0xFFFF) throw mail::StoreError("a table is too large for a personal folder file");
    blocks_.emplace_back();
    b = &blocks_.back();
  }
  b->items.resize(b->items.size() + size, 0);
  b->ends.push_back(static_cast<std::uint16_t>(b->items.size()));
  return heap::makeHid(blocks_.size() - 1, b->ends.size());
}

std::uint32_t HeapBuilder::add(std::span<const std::uint8_t> data) {
  const std::uint32_t hid = allocate(data.size());
  set(hid, data);
  return hid;
}

void HeapBuilder::set(std::uint32_t hid, std::span<const std::uint8_t> data) {
  Block& b = blocks_.at(hid >> 16);
  const std::size_t index = ((hid & 0xFFFF) >> 5) - 1;
  const std::size_t end = b.ends.at(index), begin = index == 0 ? 0 : b.ends[index - 1];
  if (end - begin != data.size()) throw mail::StoreError("internal error: heap item size changed");
  std::copy(data.begin(), data.end(), b.items.begin() + static_cast<std::ptrdiff_t>(begin));
}

std::uint64_t HeapBuilder::size() const {
  std::uint64_t n = 0;
  for (std::size_t i = 0; i < blocks_.size(); ++i) n += blockSize(i, blocks_[i]);
  return n;
}

std::vector<std::vector<std::uint8_t>> HeapBuilder::build() const {
  std::vector<std::vector<std::uint8_t>> out;
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    const Block& b = blocks_[i];
    std::vector<std::uint8_t> bytes(blockSize(i, b), 0);
    const std::size_t first = headerSize(i);
    std::copy(b.items.begin(), b.items.end(), bytes.begin() + static_cast<std::ptrdiff_t>(first));
    const std::size_t mapAt = (first + b.items.size() + 1) / 2 * 2;
    storeLe16(bytes.data(), static_cast<std::uint16_t>(mapAt));
    storeLe16(&bytes[mapAt], static_cast<std::uint16_t>(b.ends.size()));
    storeLe16(&bytes[mapAt + 2], 0);
    // The page map: where each item starts, then where the last one ends.
    std::uint8_t* map = &bytes[mapAt + 4];
    storeLe16(map, static_cast<std::uint16_t>(first));
    for (std::size_t k = 0; k < b.ends.size(); ++k) storeLe16(map + 2 * (k + 1), static_cast<std::uint16_t>(first + b.ends[k]));
    out.push_back(std::move(bytes));
  }
  // Fill levels: the first block records blocks 0-7, each bitmap block the next 128.
  auto levelOf = [&](std::size_t i) { return fillLevel(heap::kBlockData - out[i].size()); };
  auto putLevels = [&](std::uint8_t* dst, std::size_t first, std::size_t count) {
    for (std::size_t k = 0; k < count && first + k < out.size(); ++k) {
      const std::uint8_t lv = levelOf(first + k);
      dst[k / 2] |= static_cast<std::uint8_t>((k % 2) ? (lv << 4) : lv);
    }
  };
  std::uint8_t* h = out[0].data();
  h[2] = heap::kSig;
  h[3] = client_;
  storeLe32(h + 4, root_);
  putLevels(h + 8, 0, 8);
  for (std::size_t i = 8; i < out.size(); i += 128) putLevels(out[i].data() + 2, i, 128);
  return out;
}

}  // namespace qm::pst
