#include "mailstore/pst/ndb/ndb_writer.h"

#include <algorithm>
#include <vector>

#include "mailstore/pst/ndb/crc.h"
#include "mailstore/pst/ndb/header.h"
#include "mailstore/pst/ndb/pages.h"
#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {

NdbWriter::NdbWriter(std::string path) : file_(std::move(path)) {
  // MS-PST 2.2.2.6: the counters of a new file.
  rgnid_.fill(0x400);
  rgnid_[kNidSearchFolder] = 0x4000;
  rgnid_[kNidNormalMessage] = 0x10000;
  rgnid_[kNidAssocMessage] = 0x8000;
}

Bid NdbWriter::writeBlock(std::span<const std::uint8_t> data, bool internal) {
  if (data.size() > block::kMaxData) throw mail::StoreError("internal error: block larger than 8,176 bytes");
  const Bid bid = bidNextB_ | (internal ? block::kInternalBit : 0);
  bidNextB_ += block::kBidStep;
  const auto size = static_cast<std::uint32_t>(block::allocatedSize(data.size()));
  const std::uint64_t ib = space_.allocateBlock(size);
  const std::span<std::uint8_t> bytes = file_.place(ib, size);
  if (internal) std::copy(data.begin(), data.end(), bytes.begin());
  else permuteEncode(data, bytes.data());
  sealBlock(bytes, data.size(), ib, bid);
  // MS-PST 2.2.2.7.7.3: a block used once has a reference count of two.
  bbt_.put(BbtEntry{bid, ib, static_cast<std::uint16_t>(data.size()), 2});
  return bid;
}

void NdbWriter::releaseBlock(Bid bid) {
  const BbtEntry* e = bbt_.find(bid & ~Bid{1});
  if (!e) return;
  space_.release(e->ib, static_cast<std::uint32_t>(block::allocatedSize(e->cb)));
  bbt_.erase(e->bid);
}

Nid NdbWriter::allocateNid(NidType type) { return makeNid(type, ++rgnid_[type]); }

void NdbWriter::reserveNidIndex(NidType type, std::uint32_t index) {
  rgnid_[type] = std::max(rgnid_[type], index);
}

PageRef NdbWriter::writeBtPage(std::uint8_t ptype, std::span<const std::uint8_t> entries, std::size_t count,
                               std::size_t entrySize, std::size_t maxCount, unsigned level) {
  PageRef ref{bidNextP_++, space_.allocatePage()};
  PageBytes page{};
  std::copy(entries.begin(), entries.end(), page.begin());
  sealBtPage(page, ptype, count, entrySize, maxCount, level, ref.ib, ref.bid);
  file_.write(ref.ib, page);
  return ref;
}

namespace {
std::vector<std::uint8_t> innerEntries(const std::vector<std::pair<std::uint64_t, PageRef>>& children) {
  ByteWriter w;
  for (const auto& [key, ref] : children) {
    w.le64(key);
    w.le64(ref.bid);
    w.le64(ref.ib);
  }
  return w.take();
}
}  // namespace

void NdbWriter::writeMaps() {
  for (const std::uint64_t k : space_.takeDirtyRegions()) {
    const std::uint64_t base = FileSpace::regionBase(k);
    PageBytes page{};
    std::copy(space_.amapBits(k), space_.amapBits(k) + page::kBodySize, page.begin());
    sealPage(page, page::kTypeAMap, base, base, false);
    file_.write(base, page);
    if (FileSpace::hasPMap(k)) {
      // The PMap is deprecated; every page counts as in use.
      PageBytes pmap{};
      std::fill(pmap.begin(), pmap.begin() + page::kBodySize, 0xFF);
      sealPage(pmap, page::kTypePMap, FileSpace::pmapOffset(k), FileSpace::pmapOffset(k), false);
      file_.write(FileSpace::pmapOffset(k), pmap);
    }
    if (FileSpace::hasFPMap(k)) {
      PageBytes fpmap{};
      std::fill(fpmap.begin(), fpmap.begin() + page::kBodySize, 0xFF);
      sealPage(fpmap, page::kTypeFPMap, FileSpace::fpmapOffset(k), FileSpace::fpmapOffset(k), false);
      file_.write(FileSpace::fpmapOffset(k), fpmap);
    }
  }
  // Each FMap byte holds the longest free run of one AMap region.
  for (std::uint64_t m = amap::kFMapFirst; m < space_.regionCount(); m += amap::kFMapEvery) {
    PageBytes fmap{};
    for (std::uint64_t i = 0; i < page::kBodySize && m + i < space_.regionCount(); ++i)
      fmap[i] = space_.longestFreeRun(m + i);
    sealPage(fmap, page::kTypeFMap, FileSpace::fmapOffset(m), FileSpace::fmapOffset(m), false);
    file_.write(FileSpace::fmapOffset(m), fmap);
  }
}

void NdbWriter::commit() {
  auto release = [this](const PageRef& p) { releasePage(p); };
  const PageRef nbtRoot = nbt_.write(
      release,
      [this](const std::vector<NbtEntry>& entries) {
        ByteWriter w;
        for (const NbtEntry& e : entries) {
          w.le64(e.nid);
          w.le64(e.bidData);
          w.le64(e.bidSub);
          w.le32(e.parent);
          w.le32(0);
        }
        return writeBtPage(page::kTypeNbt, w.data(), entries.size(), btpage::kNbtEntrySize, btpage::kMaxNbt, 0);
      },
      [this](const std::vector<std::pair<std::uint64_t, PageRef>>& children, unsigned level) {
        return writeBtPage(page::kTypeNbt, innerEntries(children), children.size(), btpage::kBtEntrySize,
                           btpage::kMaxBt, level);
      });
  const PageRef bbtRoot = bbt_.write(
      release,
      [this](const std::vector<BbtEntry>& entries) {
        ByteWriter w;
        for (const BbtEntry& e : entries) {
          w.le64(e.bid);
          w.le64(e.ib);
          w.le16(e.cb);
          w.le16(e.cRef);
          w.le32(0);
        }
        return writeBtPage(page::kTypeBbt, w.data(), entries.size(), btpage::kBbtEntrySize, btpage::kMaxBbt, 0);
      },
      [this](const std::vector<std::pair<std::uint64_t, PageRef>>& children, unsigned level) {
        return writeBtPage(page::kTypeBbt, innerEntries(children), children.size(), btpage::kBtEntrySize,
                           btpage::kMaxBt, level);
      });
  // The maps are rewritten in place. Until the new header is written the old one is the
  // file's state, so it is first marked as having invalid maps: a writer stopped in the
  // middle of the maps leaves a file whose maps a client rebuilds from the trees.
  if (committed_) {
    HeaderState old = *committed_;
    old.amapValid = 0;
    old.unique = ++unique_;
    file_.write(0, encodeHeader(old));
    file_.sync();
  }
  writeMaps();
  // The density list (MS-PST 2.2.2.7.4) is optional; an empty one, as Outlook writes it.
  PageBytes dlist{};
  sealPage(dlist, page::kTypeDList, amap::kDList, bidNextP_, true);
  file_.write(amap::kDList, dlist);
  file_.extendTo(space_.fileEnd());
  file_.sync();

  HeaderState h;
  h.bidNextP = bidNextP_;
  h.bidNextB = bidNextB_;
  h.unique = ++unique_;
  h.rgnid = rgnid_;
  h.fileEof = space_.fileEnd();
  h.amapLast = FileSpace::regionBase(space_.regionCount() - 1);
  h.amapFree = space_.freeBytes();
  h.nbt = nbtRoot;
  h.bbt = bbtRoot;
  file_.write(0, encodeHeader(h));
  file_.sync();
  committed_ = h;
  space_.commit();
}

}  // namespace qm::pst
