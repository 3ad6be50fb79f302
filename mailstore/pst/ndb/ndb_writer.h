// The node database of a new personal folder file (MS-PST 2.2.2, 2.6): blocks with their
// trailers, the node and block B-trees, the allocation maps and the header. Nothing is
// held in memory but the two B-trees and the allocation bits; commit() makes the file on
// disk describe everything written so far.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "mailstore/pst/ndb/btree.h"
#include "mailstore/pst/ndb/file_io.h"
#include "mailstore/pst/ndb/file_space.h"
#include "mailstore/pst/ndb/header.h"
#include "mailstore/pst/ndb/ndb_format.h"

namespace qm::pst {

struct NbtEntry {
  Nid nid = 0;
  Bid bidData = 0;
  Bid bidSub = 0;
  Nid parent = 0;
  std::uint64_t key() const { return nid; }
};

struct BbtEntry {
  Bid bid = 0;
  std::uint64_t ib = 0;
  std::uint16_t cb = 0;
  std::uint16_t cRef = 0;
  std::uint64_t key() const { return bid; }
};

class NdbWriter {
 public:
  explicit NdbWriter(std::string path);

  // Writes a block holding `data` (at most 8,176 bytes). Data blocks are permute-encoded;
  // internal blocks (XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK) are not. The block starts with one
  // reference.
  Bid writeBlock(std::span<const std::uint8_t> data, bool internal);
  // Drops the block (a node that used it has been rewritten or removed).
  void releaseBlock(Bid bid);
  const BbtEntry* block(Bid bid) const { return bbt_.find(bid & ~Bid{1}); }

  void setNode(const NbtEntry& node) { nbt_.put(node); }
  void removeNode(Nid nid) { nbt_.erase(nid); }
  const NbtEntry* node(Nid nid) const { return nbt_.find(nid); }

  // The next NID of a type (MS-PST 2.2.2.6 rgnid: the last index handed out).
  Nid allocateNid(NidType type);
  void reserveNidIndex(NidType type, std::uint32_t index);

  // Writes the B-trees, the maps and the header, and puts the file on the disk.
  void commit();

  FileIo& file() { return file_; }
  const FileIo& file() const { return file_; }
  std::uint64_t fileEnd() const { return space_.fileEnd(); }

 private:
  PageRef writeBtPage(std::uint8_t ptype, std::span<const std::uint8_t> entries, std::size_t count,
                      std::size_t entrySize, std::size_t maxCount, unsigned level);
  void releasePage(const PageRef& page) { space_.release(page.ib, page::kSize); }
  void writeMaps();

  FileIo file_;
  FileSpace space_;
  LeafTree<NbtEntry> nbt_{btpage::kMaxNbt};
  LeafTree<BbtEntry> bbt_{btpage::kMaxBbt};
  std::array<std::uint32_t, 32> rgnid_{};
  std::uint64_t bidNextB_ = block::kBidStep;
  std::uint64_t bidNextP_ = 1;
  std::uint32_t unique_ = 0;
  std::optional<HeaderState> committed_;
};

}  // namespace qm::pst
