// The index of an Outlook Express store, read far enough to list the records of one of its
// trees: the file header's tree roots and counts, the tree nodes (a counted B-tree of 0x27C
// byte nodes) and the indexed-info records they point at. Used for the folder list in
// Folders.dbx and for the message info records of a message store. Everything is checked
// against the file's size, so that any bytes give a bounded, finite walk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace qm::mailbox {

// Header fields (offsets in the 0x24BC-byte file header).
namespace index_layout {
inline constexpr std::uint32_t kFileMagic = 0xFE12ADCF;
inline constexpr std::size_t kHeaderLength = 0x24BC;
inline constexpr std::size_t kTreeCountField = 0x80;
inline constexpr std::size_t kTreeValuesField = 0xC4;  // + 4 per tree
inline constexpr std::size_t kTreeRootField = 0xE4;    // + 4 per tree
inline constexpr std::uint32_t kMaxTrees = 8;
// Tree node: 0x18-byte header and 0x33 entries of 12 bytes.
inline constexpr std::size_t kNodeLength = 0x27C;
inline constexpr std::size_t kNodeLeftChild = 0x08;
inline constexpr std::size_t kNodeEntryCount = 0x11;
inline constexpr std::size_t kNodeEntries = 0x18;
inline constexpr std::size_t kNodeEntryLength = 12;
inline constexpr std::uint32_t kMaxNodeEntries = 0x33;
static_assert(kNodeEntries + kMaxNodeEntries * kNodeEntryLength == kNodeLength);
// Indexed-info record: self, body length, u16 length, u8 index count, u8 counter.
inline constexpr std::size_t kRecordHeaderLength = 12;
inline constexpr std::uint32_t kMaxRecordBody = 0x10000;
inline constexpr std::uint8_t kDirectBit = 0x80;
}  // namespace index_layout

// One indexed-info record: its index entries and data area.
class IndexedRecord {
 public:
  // Parses a record read from `offset`; nothing when its header does not hold together.
  static std::optional<IndexedRecord> parse(std::uint32_t offset, const std::vector<std::uint8_t>& bytes);

  std::uint32_t offset() const { return offset_; }
  bool has(std::uint8_t index) const { return find(index) != nullptr; }
  // A 32-bit value, direct or as a 4-byte item; absent indexes read as nothing.
  std::optional<std::uint32_t> number(std::uint8_t index) const;
  // An 8-byte item (a FILETIME).
  std::optional<std::uint64_t> number64(std::uint8_t index) const;
  // A string item, up to its first NUL (bytes as stored, in the system's ANSI code page).
  std::optional<std::string> text(std::uint8_t index) const;

 private:
  struct Item {
    std::uint8_t index = 0;
    bool direct = false;
    std::uint32_t value = 0;               // direct value, or offset in the data area
    std::uint32_t end = 0;                 // indirect: where the item ends in the data area
  };
  const Item* find(std::uint8_t index) const;

  std::uint32_t offset_ = 0;
  std::vector<Item> items_;
  std::vector<std::uint8_t> data_;
};

// The records a tree lists, in tree order. `complete` is false when the header, a node or a
// record could not be read, or the tree's count did not match; `problem` then says what.
struct TreeRecords {
  std::vector<IndexedRecord> records;
  bool complete = true;
  std::string problem;
};

// Reads tree `tree` of the opened store file (of `fileSize` bytes).
TreeRecords readTreeRecords(std::FILE* file, std::uint64_t fileSize, std::uint32_t tree);

}  // namespace qm::mailbox
