// Builds the blocks of a heap-on-node (MS-PST 2.3.1): items packed one after another, each
// block closed by its page map. Items are at most 3,580 bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qm::pst {

class HeapBuilder {
 public:
  explicit HeapBuilder(std::uint8_t clientSig) : client_(clientSig) { blocks_.emplace_back(); }

  // Reserves an item of `size` bytes (zero-filled) and returns its HID.
  std::uint32_t allocate(std::size_t size);
  std::uint32_t add(std::span<const std::uint8_t> data);
  // Fills in an item reserved earlier (same size).
  void set(std::uint32_t hid, std::span<const std::uint8_t> data);
  void setRoot(std::uint32_t hid) { root_ = hid; }

  // The heap's blocks as written to the node's data tree.
  std::vector<std::vector<std::uint8_t>> build() const;
  std::uint64_t size() const;

 private:
  struct Block {
    std::vector<std::uint8_t> items;  // the items, one after another
    std::vector<std::uint16_t> ends;  // where each item ends in `items`
  };
  static std::size_t headerSize(std::size_t blockIndex);
  static std::size_t blockSize(std::size_t blockIndex, const Block& b);

  std::uint8_t client_;
  std::uint32_t root_ = 0;
  std::vector<Block> blocks_;
};

}  // namespace qm::pst
