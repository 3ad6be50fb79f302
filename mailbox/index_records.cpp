#include "mailbox/index_records.h"

#include <algorithm>
#include <set>

#include "platform/bytes.h"
#include "platform/files.h"

namespace qm::mailbox {

using namespace index_layout;

namespace {

bool readAt(std::FILE* file, std::uint64_t offset, std::vector<std::uint8_t>& out, std::size_t length) {
  out.resize(length);
  return platform::seekTo(file, offset) && std::fread(out.data(), 1, length, file) == length;
}

constexpr int kMaxDepth = 32;

class TreeWalk {
 public:
  TreeWalk(std::FILE* file, std::uint64_t fileSize, TreeRecords& out) : file_(file), size_(fileSize), out_(out) {}

  void node(std::uint32_t offset, int depth) {
    if (offset == 0 || !out_.complete) return;
    if (depth > kMaxDepth) return fail("the tree is deeper than any real store's");
    if (offset < kHeaderLength || offset + kNodeLength > size_) return fail("a tree node lies outside the file");
    if (!seen_.insert(offset).second) return fail("a tree node is reached twice");
    std::vector<std::uint8_t> bytes;
    if (!readAt(file_, offset, bytes, kNodeLength)) return fail("a tree node cannot be read");
    if (loadLe32(bytes.data()) != offset) return fail("a tree node does not carry its own offset");
    const std::uint32_t entries = bytes[kNodeEntryCount];
    if (entries > kMaxNodeEntries) return fail("a tree node has more entries than it can hold");
    node(loadLe32(&bytes[kNodeLeftChild]), depth + 1);
    for (std::uint32_t k = 0; k < entries && out_.complete; ++k) {
      const std::uint8_t* e = &bytes[kNodeEntries + k * kNodeEntryLength];
      record(loadLe32(e));
      node(loadLe32(e + 4), depth + 1);
    }
  }

 private:
  void record(std::uint32_t offset) {
    if (offset < kHeaderLength || offset + kRecordHeaderLength > size_) return fail("a record lies outside the file");
    std::vector<std::uint8_t> head;
    if (!readAt(file_, offset, head, kRecordHeaderLength)) return fail("a record cannot be read");
    const std::uint32_t body = loadLe32(&head[4]);
    if (body > kMaxRecordBody || offset + kRecordHeaderLength + body > size_) return fail("a record is too long");
    std::vector<std::uint8_t> bytes;
    if (!readAt(file_, offset, bytes, kRecordHeaderLength + body)) return fail("a record cannot be read");
    auto parsed = IndexedRecord::parse(offset, bytes);
    if (!parsed) return fail("a record's index entries do not fit it");
    out_.records.push_back(std::move(*parsed));
  }

  void fail(const char* why) {
    if (!out_.complete) return;
    out_.complete = false;
    out_.problem = why;
  }

  std::FILE* file_;
  std::uint64_t size_;
  TreeRecords& out_;
  std::set<std::uint32_t> seen_;
};

}  // namespace

std::optional<IndexedRecord> IndexedRecord::parse(std::uint32_t offset, const std::vector<std::uint8_t>& bytes) {
  ByteCursor c(Bytes(bytes.data(), bytes.size()));
  if (c.le32() != offset) return std::nullopt;
  const std::uint32_t body = c.le32();
  c.skip(2);
  const std::uint32_t count = c.u8();
  c.skip(1);
  if (!c.ok() || body != bytes.size() - kRecordHeaderLength || count * 4u > body) return std::nullopt;
  IndexedRecord r;
  r.offset_ = offset;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t entry = c.le32();
    Item item;
    item.index = static_cast<std::uint8_t>(entry & 0x7F);
    item.direct = (entry & kDirectBit) != 0;
    item.value = entry >> 8;
    r.items_.push_back(item);
  }
  const Bytes data = c.bytes(body - count * 4);
  if (!c.ok()) return std::nullopt;
  r.data_.assign(data.begin(), data.end());
  // An indirect item ends where the next indirect one begins; the last at the data's end.
  const auto size = static_cast<std::uint32_t>(r.data_.size());
  for (std::size_t i = 0; i < r.items_.size(); ++i) {
    Item& item = r.items_[i];
    if (item.direct) continue;
    item.end = size;
    for (std::size_t k = i + 1; k < r.items_.size(); ++k) {
      if (r.items_[k].direct) continue;
      item.end = r.items_[k].value;
      break;
    }
    if (item.value > size || item.end > size || item.end < item.value) item.end = item.value;  // unusable
  }
  return r;
}

const IndexedRecord::Item* IndexedRecord::find(std::uint8_t index) const {
  for (const auto& item : items_)
    if (item.index == index) return &item;
  return nullptr;
}

std::optional<std::uint32_t> IndexedRecord::number(std::uint8_t index) const {
  const Item* item = find(index);
  if (!item) return std::nullopt;
  if (item->direct) return item->value;
  if (item->end - item->value < 4) return std::nullopt;
  return loadLe32(&data_[item->value]);
}

std::optional<std::uint64_t> IndexedRecord::number64(std::uint8_t index) const {
  const Item* item = find(index);
  if (!item || item->direct || item->end - item->value < 8) return std::nullopt;
  return loadLe64(&data_[item->value]);
}

std::optional<std::string> IndexedRecord::text(std::uint8_t index) const {
  const Item* item = find(index);
  if (!item || item->direct) return std::nullopt;
  const auto begin = data_.begin() + item->value;
  const auto end = std::find(begin, data_.begin() + item->end, std::uint8_t{0});
  return std::string(begin, end);
}

TreeRecords readTreeRecords(std::FILE* file, std::uint64_t fileSize, std::uint32_t tree) {
  TreeRecords out;
  std::vector<std::uint8_t> header;
  if (fileSize < kHeaderLength || !readAt(file, 0, header, kHeaderLength)) {
    out.complete = false;
    out.problem = "the file is too short for a store header";
    return out;
  }
  if (loadLe32(header.data()) != kFileMagic) {
    out.complete = false;
    out.problem = "the file does not start with the store signature";
    return out;
  }
  const std::uint32_t trees = loadLe32(&header[kTreeCountField]);
  if (tree >= std::min(trees, kMaxTrees)) {
    out.complete = false;
    out.problem = "the header lists no such index";
    return out;
  }
  const std::uint32_t expected = loadLe32(&header[kTreeValuesField + 4 * tree]);
  TreeWalk(file, fileSize, out).node(loadLe32(&header[kTreeRootField + 4 * tree]), 0);
  if (out.complete && out.records.size() != expected) {
    out.complete = false;
    out.problem = "the index lists " + std::to_string(out.records.size()) + " records where its header counts " +
                  std::to_string(expected);
  }
  return out;
}

}  // namespace qm::mailbox
