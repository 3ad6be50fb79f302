// Streams of any length as one data block, an XBLOCK of data blocks or an XXBLOCK of
// XBLOCKs (MS-PST 2.2.2.8.3.1, 2.2.2.8.3.2).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mailstore/pst/ndb/ndb_writer.h"

namespace qm::pst {

// The largest stream the format can describe (lcbTotal is 32 bits).
inline constexpr std::uint64_t kMaxStreamSize = 0xFFFFFFFFull;

// Writes the stream and returns the BID of its top block (0 for an empty stream). Every
// block written is added to `blocks` when given, so that the caller can release the tree.
Bid writeDataTree(NdbWriter& ndb, std::span<const std::uint8_t> data, std::vector<Bid>* blocks = nullptr);

}  // namespace qm::pst

namespace qm::pst {

// Writes data blocks exactly as given, one after another (a heap's blocks, a table's row
// blocks), and then the XBLOCK or XXBLOCK over them.
class BlockListWriter {
 public:
  BlockListWriter(NdbWriter& ndb, std::vector<Bid>* written) : ndb_(ndb), written_(written) {}
  void add(std::span<const std::uint8_t> block);
  // The top BID (0 when no block was added).
  Bid finish();
  std::uint64_t totalBytes() const { return total_; }

 private:
  NdbWriter& ndb_;
  std::vector<Bid>* written_;
  std::vector<Bid> leaves_;
  std::vector<std::uint64_t> sizes_;
  std::uint64_t total_ = 0;
};

Bid writeBlockList(NdbWriter& ndb, const std::vector<std::vector<std::uint8_t>>& blocks,
                   std::vector<Bid>* written = nullptr);

}  // namespace qm::pst
