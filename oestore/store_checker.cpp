#include "oestore/store_checker.h"

#include <unordered_set>

#include "oestore/store_index.h"

namespace oe {

namespace {

class Checker {
 public:
  Checker(StoreSource& source, StoreCheck& out) : source_(source), out_(out) {}

  void run() {
    header_ = readStoreHeader(source_);
    if (header_.kind != StoreKind::MessageStore) return fail(std::string("not a message store: ") + storeKindName(header_.kind));
    checkHeader();
    for (std::uint32_t t = 0; t < header_.treeCount && t < kMaxTrees; ++t) checkTree(t);
    checkCounters();
  }

 private:
  void fail(std::string text) { out_.problems.push_back(std::move(text)); }

  void checkHeader() {
    if (header_.fileInfoLength != kMessageFileInfoLength)
      fail("file info length " + std::to_string(header_.fileInfoLength));
    if (header_.logicalEnd < kFirstSectorEnd || header_.logicalEnd > source_.size())
      fail("logical end " + std::to_string(header_.logicalEnd) + " outside the file of " + std::to_string(source_.size()) + " bytes");
    if (header_.treeCount < 1 || header_.treeCount > kMaxTrees) fail("tree count " + std::to_string(header_.treeCount));
    if (header_.lastId < kEmptyLastId) fail("last id 0");
  }

  // Whether an object of `length` bytes at `offset` lies in the part of the file objects use.
  bool inObjectArea(std::uint64_t offset, std::uint64_t length) const {
    return offset >= kFirstSectorEnd && offset + length <= header_.logicalEnd;
  }

  void checkTree(std::uint32_t tree) {
    const std::string name = "tree " + std::to_string(tree) + ": ";
    TreeWalk walk = walkTree(source_, header_.treeRoots[tree], header_.treeCounts[tree]);
    for (const std::string& p : walk.problems) fail(name + p);
    for (const std::uint32_t node : walk.nodes) {
      if (!inObjectArea(node, kNodeLength)) fail(name + "node " + std::to_string(node) + " outside the object area");
    }
    out_.nodes += static_cast<std::uint32_t>(walk.nodes.size());
    std::uint32_t lastId = 0;
    for (const std::uint32_t value : walk.values) {
      const std::string where = name + "record " + std::to_string(value) + ": ";
      RecordRead read = readRecord(source_, value);
      for (const std::string& p : read.problems) fail(where + p);
      if (!read.record) continue;
      if (!inObjectArea(value, read.record->storedLength())) fail(where + "outside the object area");
      // A record may sit in several trees; it is counted once.
      if (!records_.insert(value).second) continue;
      recordBytes_ += read.record->storedLength();
      if (recordBytes_ > source_.size()) return fail(name + "the records overlap; the rest are not read");
      const MessageInfo info = messageInfoOf(*read.record);
      if (tree == 0) {
        ++out_.mails;
        if (info.id <= lastId) fail(where + "id " + std::to_string(info.id) + " does not rise");
        lastId = info.id;
      }
      if (info.id > header_.lastId) fail(where + "id " + std::to_string(info.id) + " above the last id handed out");
      checkChain(where, info.firstBlock);
    }
  }

  void checkChain(const std::string& where, std::uint32_t first) {
    if (first == 0) return fail(where + "no text block");
    // Chains of a sound store share no block, so together they hold no more than the file.
    if (std::uint64_t{out_.blocks} * dbx::kBlockLength > source_.size()) {
      if (!tooManyBlocks_) fail(where + "more blocks than the file holds; no more chains are read");
      tooManyBlocks_ = true;
      return;
    }
    ChainRead chain = readChain(source_, first);
    for (const std::string& p : chain.problems) fail(where + p);
    for (const std::uint32_t block : chain.blocks) {
      if (!inObjectArea(block, dbx::kBlockLength)) fail(where + "block " + std::to_string(block) + " outside the object area");
      if (!blocks_.insert(block).second) fail(where + "block " + std::to_string(block) + " belongs to another mail too");
    }
    out_.blocks += static_cast<std::uint32_t>(chain.blocks.size());
  }

  void checkCounters() {
    auto expect = [&](const char* what, std::uint64_t stored, std::uint64_t found) {
      if (stored != found) fail(std::string(what) + ": header says " + std::to_string(stored) + ", found " + std::to_string(found));
    };
    expect("bytes of records", header_.liveBytes[0], recordBytes_);
    expect("bytes of tree nodes", header_.liveBytes[4], std::uint64_t{out_.nodes} * kNodeLength);
    expect("bytes of blocks", header_.liveBytes[5], std::uint64_t{out_.blocks} * dbx::kBlockLength);
    std::uint64_t live = header_.bytesFreed;
    for (const std::uint32_t b : header_.liveBytes) live += b;
    expect("bytes handed out", header_.bytesHandedOut, live);
  }

  StoreSource& source_;
  StoreCheck& out_;
  StoreHeader header_;
  std::unordered_set<std::uint32_t> records_;
  std::unordered_set<std::uint32_t> blocks_;
  std::uint64_t recordBytes_ = 0;
  bool tooManyBlocks_ = false;
};

}  // namespace

StoreCheck checkMessageStore(StoreSource& source) {
  StoreCheck out;
  Checker(source, out).run();
  return out;
}

}  // namespace oe
