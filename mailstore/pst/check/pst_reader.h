// Reads a Unicode personal folder file back, layer by layer, without trusting it: every
// offset and count is checked against the file before it is used, and failures are thrown
// as ReadError naming the structure and the offset.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mailstore/pst/ltp/prop_value.h"
#include "mailstore/pst/ndb/header.h"
#include "mailstore/pst/ndb/ndb_writer.h"
#include "platform/files.h"

namespace qm::pst {

class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SubnodeInfo {
  Bid bidData = 0;
  Bid bidSub = 0;
};

// The contents of a heap-on-node: its blocks and the client signature.
struct Heap {
  std::vector<std::vector<std::uint8_t>> blocks;
  std::uint8_t client = 0;
  std::uint32_t root = 0;
  // The item of a HID; throws when it does not exist.
  std::vector<std::uint8_t> item(std::uint32_t hid) const;
};

struct TableData {
  std::vector<std::uint32_t> columns;  // tags, sorted
  std::vector<std::pair<std::uint32_t, PropList>> rows;  // row id, present cells
};

class PstReader {
 public:
  explicit PstReader(const std::string& path);

  const DecodedHeader& header() const { return header_; }
  std::uint64_t fileSize() const { return size_; }

  std::vector<std::uint8_t> readAt(std::uint64_t offset, std::size_t size) const;
  // Raw block bytes (still encoded) and its trailer fields; checks nothing.
  std::vector<std::uint8_t> blockData(Bid bid) const;
  // The whole stream of a data tree, decoded; throws when larger than `limit`.
  std::vector<std::uint8_t> stream(Bid bid, std::uint64_t limit = 1ull << 31) const;
  // The data blocks of a data tree, decoded, in order.
  std::vector<std::vector<std::uint8_t>> streamBlocks(Bid bid) const;
  // The sizes of a data tree's data blocks, in order (no bytes read beyond the X blocks).
  std::vector<std::uint64_t> streamBlockSizes(Bid bid) const;
  std::map<Nid, SubnodeInfo> subnodes(Bid bid) const;

  Heap heap(Bid bid) const;
  PropList propertyContext(const NbtEntry& node) const;
  PropList propertyContext(Bid data, Bid sub) const;
  TableData table(Bid data, Bid sub) const;

  const std::map<std::uint64_t, NbtEntry>& nodes() const { return nodes_; }
  const std::map<std::uint64_t, BbtEntry>& blocks() const { return blocks_; }
  void loadTrees();  // fills nodes() and blocks() by walking the B-trees

  // Pages met while walking the B-trees: offset, page type.
  const std::vector<std::pair<std::uint64_t, std::uint8_t>>& pages() const { return pages_; }
  // What the walk found wrong (bad signatures, CRCs, order); the walk goes on past them.
  const std::vector<std::string>& treeProblems() const { return treeProblems_; }

 private:
  void walk(const PageRef& ref, std::uint8_t ptype, int expectLevel, std::optional<std::uint64_t> firstKey);
  std::vector<std::uint8_t> value(const Heap& heap, const std::map<Nid, SubnodeInfo>& subs, std::uint32_t hnid) const;

  std::string path_;
  std::unique_ptr<std::FILE, platform::FileCloser> file_;
  std::uint64_t size_ = 0;
  DecodedHeader header_;
  std::map<std::uint64_t, NbtEntry> nodes_;
  std::map<std::uint64_t, BbtEntry> blocks_;
  std::vector<std::pair<std::uint64_t, std::uint8_t>> pages_;
  std::vector<std::string> treeProblems_;
};

std::string hex(std::uint64_t v);

}  // namespace qm::pst
