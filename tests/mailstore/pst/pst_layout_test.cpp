// The layers below the store: checksums, space in the file, B-tree pages, heaps, and a new
// store compared with the empty store Outlook writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "mailstore/pst/check/pst_reader.h"
#include "mailstore/pst/ltp/bth_builder.h"
#include "mailstore/pst/ltp/heap_builder.h"
#include "mailstore/pst/messaging/pst_writer.h"
#include "mailstore/pst/ndb/btree.h"
#include "mailstore/pst/ndb/crc.h"
#include "mailstore/pst/ndb/file_space.h"
#include "platform/bytes.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace qm::pst;

std::string emptyPst() { return qm::test::sharedFile("samples/pst/Empty.pst"); }

TEST(PstChecksums, ReproduceOutlooksHeaderCrcsAndPageSignature) {
  const std::string f = qm::test::readFile(emptyPst());
  const auto* p = reinterpret_cast<const std::uint8_t*>(f.data());
  EXPECT_EQ(computeCrc({p + 8, 471}), 0x77BBFE83u);
  EXPECT_EQ(computeCrc({p + 8, 516}), 0xF0304BC1u);
  EXPECT_EQ(computeSig(0x9200, 0x17D), 0x937Du);  // the node B-tree root of Empty.pst
  EXPECT_EQ(computeSig(0x4200, 0x17F), 0x437Fu);
}

TEST(PstChecksums, LongRunsGiveTheCrcOfOneByteAtATime) {
  // The CRC takes 16 or 8 bytes a step where it can; every length and alignment, and a
  // running value carried in, must give what the byte-wise definition gives.
  std::vector<std::uint8_t> data(9000);
  std::uint32_t seed = 12345;
  for (auto& b : data) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  auto byteWise = [](const std::uint8_t* p, std::size_t n, std::uint32_t crc) {
    for (std::size_t i = 0; i < n; ++i) {
      crc ^= p[i];
      for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (0xEDB88320u ^ (crc >> 1)) : (crc >> 1);
    }
    return crc;
  };
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t n : {0, 1, 7, 8, 15, 16, 63, 64, 65, 79, 80, 127, 128, 129, 200, 511, 8176}) {
      const std::uint32_t start = offset * 0x01010101u;
      EXPECT_EQ(computeCrc({data.data() + offset, n}, start), byteWise(data.data() + offset, n, start))
          << "offset " << offset << ", " << n << " bytes";
    }
  }
}

TEST(PstChecksums, PermuteEncodingRoundTripsAndMatchesTheTable) {
  std::vector<std::uint8_t> b = {0x00, 0x01, 0xFF, 0xEC};
  permuteEncode(b);
  EXPECT_EQ(b, (std::vector<std::uint8_t>{65, 54, 61, 255}));
  permuteDecode(b);
  EXPECT_EQ(b, (std::vector<std::uint8_t>{0x00, 0x01, 0xFF, 0xEC}));
}

TEST(PstChecksums, LongRunsArePermutedAsOneByteAtATime) {
  // Long runs are encoded 64 bytes a step where the processor allows; every byte value at
  // every place of such a step must come out as the table has it.
  std::vector<std::uint8_t> data(700);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  for (std::size_t offset : {0, 1, 63}) {
    std::vector<std::uint8_t> whole(data.begin() + static_cast<std::ptrdiff_t>(offset), data.end());
    std::vector<std::uint8_t> single = whole;
    permuteEncode(whole);
    for (auto& b : single) permuteEncode(std::span<std::uint8_t>(&b, 1));
    EXPECT_EQ(whole, single) << "offset " << offset;
    permuteDecode(whole);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), data.begin() + static_cast<std::ptrdiff_t>(offset)));
  }
}

TEST(PstFileSpace, MapPagesSitWhereTheFormatPutsThem) {
  EXPECT_EQ(FileSpace::regionBase(0), 0x4400u);
  EXPECT_EQ(FileSpace::regionBase(1), 0x4400u + 253952u);
  EXPECT_TRUE(FileSpace::hasPMap(0) && FileSpace::hasPMap(8) && !FileSpace::hasPMap(7));
  EXPECT_TRUE(!FileSpace::hasFMap(127) && FileSpace::hasFMap(128) && FileSpace::hasFMap(624));
  EXPECT_TRUE(!FileSpace::hasFPMap(128) && FileSpace::hasFPMap(8192) && FileSpace::hasFPMap(8192 + 31744));
  FileSpace space;
  EXPECT_EQ(space.allocateBlock(64), 0x4800u) << "after the first AMap and PMap";
  EXPECT_EQ(space.allocatePage(), 0x4A00u);
}

TEST(PstFileSpace, FreedSpaceIsReusedOnlyAfterTheNextCommit) {
  FileSpace space;
  const std::uint64_t a = space.allocateBlock(8192);
  const std::uint64_t freeBefore = space.freeBytes();
  space.release(a, 8192);
  EXPECT_EQ(space.freeBytes(), freeBefore + 8192);
  const std::uint64_t b = space.allocateBlock(8192);
  EXPECT_NE(b, a) << "the last committed state may still use it";
  space.commit();
  EXPECT_EQ(space.allocateBlock(8192), a);
}

TEST(PstFileSpace, GrowsInWholeRegionsAndNeverCrossesAMapPage) {
  FileSpace space;
  std::uint64_t last = 0;
  for (int i = 0; i < 40; ++i) last = space.allocateBlock(8192);
  EXPECT_EQ(space.regionCount(), 2u);
  EXPECT_GE(last, FileSpace::regionBase(1) + 512) << "blocks start after the region's AMap";
  EXPECT_EQ(space.fileEnd(), FileSpace::regionBase(2));
}

TEST(PstFileSpace, MapBitsAndLongestFreeRunFollowWhatIsInUse) {
  FileSpace space;
  // After the AMap (512 bytes, 8 slots) and the PMap (8 slots): 16 slots in use, the rest
  // of the region's 3,968 free; the longest run is given as at most 255.
  EXPECT_EQ(space.amapBits(0)[0], 0xFF);
  EXPECT_EQ(space.amapBits(0)[1], 0xFF);
  EXPECT_EQ(space.amapBits(0)[2], 0x00);
  EXPECT_EQ(space.longestFreeRun(0), 255);
  // Blocks of 192 bytes (3 slots) cut the bytes unevenly.
  std::vector<std::uint64_t> blocks;
  while (space.regionCount() == 1) blocks.push_back(space.allocateBlock(192));
  blocks.pop_back();  // the one that opened region 1
  EXPECT_EQ(space.longestFreeRun(0), 1) << "3,952 slots hold 1,317 blocks and leave one";
  space.release(blocks[100], 192);
  space.release(blocks[101], 192);
  EXPECT_EQ(space.longestFreeRun(0), 6);
  EXPECT_EQ(space.amapBits(0)[(16 + 300) / 8], 0b11110000) << "slots 316 to 321 free";
  EXPECT_EQ(space.amapBits(0)[(16 + 304) / 8], 0b00111111);
  for (std::size_t i = 200; i < 300; ++i) space.release(blocks[i], 192);
  EXPECT_EQ(space.longestFreeRun(0), 255);
}

struct Key {
  std::uint64_t k;
  std::uint64_t key() const { return k; }
};

TEST(PstBTree, AppendsFillPagesAndWritesAsManyLevelsAsNeeded) {
  LeafTree<Key> tree(15);
  for (std::uint64_t i = 1; i <= 15 * 25; ++i) tree.put({i * 4});
  unsigned leaves = 0, inner = 0, rootLevel = 0;
  tree.write([](const PageRef&) {},
             [&](const std::vector<Key>& e) {
               EXPECT_EQ(e.size(), 15u) << "appended keys leave no half-empty page";
               return PageRef{++leaves, 0x1000};
             },
             [&](const std::vector<std::pair<std::uint64_t, PageRef>>& c, unsigned level) {
               EXPECT_LE(c.size(), 20u);
               rootLevel = level;
               return PageRef{1000 + ++inner, 0x2000};
             });
  EXPECT_EQ(leaves, 25u);
  EXPECT_EQ(inner, 3u);  // two pages over 25 leaves, one root over them
  EXPECT_EQ(rootLevel, 2u);
  EXPECT_TRUE(tree.erase(8));
  EXPECT_FALSE(tree.erase(8));
  EXPECT_EQ(tree.find(8), nullptr);
  ASSERT_NE(tree.find(12), nullptr);
}

TEST(PstBTree, ASecondWriteRewritesOnlyThePagesOnThePathToWhatChanged) {
  LeafTree<Key> tree(15);
  for (std::uint64_t i = 1; i <= 15 * 25; ++i) tree.put({i * 4});
  std::uint64_t next = 0x1000;
  std::vector<std::uint64_t> released, leavesWritten, innerWritten;
  auto write = [&] {
    leavesWritten.clear(), innerWritten.clear(), released.clear();
    return tree.write([&](const PageRef& p) { released.push_back(p.ib); },
                      [&](const std::vector<Key>&) {
                        leavesWritten.push_back(next += 0x200);
                        return PageRef{next, next};
                      },
                      [&](const std::vector<std::pair<std::uint64_t, PageRef>>&, unsigned) {
                        innerWritten.push_back(next += 0x200);
                        return PageRef{next, next};
                      });
  };
  const PageRef firstRoot = write();
  const std::vector<std::uint64_t> firstInner = innerWritten;  // 20 leaves, 5 leaves, the root
  ASSERT_EQ(firstInner.size(), 3u);
  const std::uint64_t lastLeaf = leavesWritten.back();

  tree.put({15 * 25 * 4 + 4});  // one key more: the last leaf splits
  const PageRef secondRoot = write();
  EXPECT_EQ(leavesWritten.size(), 2u) << "the last leaf and the new one";
  EXPECT_EQ(innerWritten.size(), 2u) << "the page over the last leaves and the root; the first stays";
  EXPECT_NE(secondRoot, firstRoot);
  std::sort(released.begin(), released.end());
  EXPECT_EQ(released, (std::vector<std::uint64_t>{lastLeaf, firstInner[1], firstInner[2]}));

  const PageRef unchanged = write();
  EXPECT_EQ(unchanged, secondRoot) << "nothing changed, nothing written";
  EXPECT_TRUE(leavesWritten.empty() && innerWritten.empty() && released.empty());
}

TEST(PstHeap, ItemsArePackedAndThePageMapFollowsOnAnEvenOffset) {
  HeapBuilder heap(0xBC);
  const auto a = heap.add(std::vector<std::uint8_t>(3, 0xAA));
  const auto b = heap.add(std::vector<std::uint8_t>(4, 0xBB));
  heap.setRoot(a);
  EXPECT_EQ(a, 0x20u);
  EXPECT_EQ(b, 0x40u);
  const auto blocks = heap.build();
  ASSERT_EQ(blocks.size(), 1u);
  const auto& d = blocks[0];
  // HNHDR, items at 12 and 15, page map at 20 (19 rounded up): cAlloc 2, cFree 0, offsets.
  EXPECT_EQ(qm::loadLe16(&d[0]), 20u);
  EXPECT_EQ(d[2], 0xEC);
  EXPECT_EQ(d[3], 0xBC);
  EXPECT_EQ(qm::loadLe32(&d[4]), 0x20u);
  EXPECT_EQ(d.size(), 20u + 4 + 2 * 3);
  EXPECT_EQ(qm::loadLe16(&d[20]), 2u);
  EXPECT_EQ(qm::loadLe16(&d[22]), 0u);
  EXPECT_EQ(qm::loadLe16(&d[24]), 12u);
  EXPECT_EQ(qm::loadLe16(&d[26]), 15u);
  EXPECT_EQ(qm::loadLe16(&d[28]), 19u);
}

TEST(PstHeap, FullBlockStartsTheNextWithItsOwnHeader) {
  HeapBuilder heap(0x7C);
  std::uint32_t last = 0;
  for (int i = 0; i < 5; ++i) last = heap.add(std::vector<std::uint8_t>(3000, 1));
  EXPECT_EQ(last >> 16, 2u) << "two items of 3,000 bytes per 8 KB block";
  const auto blocks = heap.build();
  ASSERT_EQ(blocks.size(), 3u);
  for (const auto& b : blocks) EXPECT_LE(b.size(), 8176u);
  EXPECT_EQ(qm::loadLe16(&blocks[1][0]) % 2, 0u);
}

TEST(PstHeap, TreeTooLargeForOneItemGetsAnIndexLevel) {
  HeapBuilder heap(0xB5);
  BthBuilder tree(heap, 4, 4, 1000);
  std::vector<std::uint8_t> records(1000 * 8);
  for (std::uint32_t i = 0; i < 1000; ++i) {
    qm::storeLe32(&records[8 * i], i * 32);
    qm::storeLe32(&records[8 * i + 4], i);
  }
  tree.fill(records);
  heap.setRoot(tree.headerHid());
  const auto blocks = heap.build();
  Heap h{blocks, 0xB5, tree.headerHid()};
  const auto header = h.item(tree.headerHid());
  EXPECT_EQ(header[0], 0xB5);
  EXPECT_EQ(header[3], 1) << "one index level over three leaf items";
  EXPECT_EQ(h.item(qm::loadLe32(&header[4])).size(), 3u * 8);
}

TEST(PstNewStore, HasTheNodesAndTableColumnsOfOutlooksEmptyStore) {
  qm::test::TempDir dir;
  const std::string ours = dir.file("new.pst");
  { PstWriter writer(ours, u"Empty"); }
  PstReader mine(ours), outlook(emptyPst());
  mine.loadTrees();
  outlook.loadTrees();
  // Outlook's own search bookkeeping nodes, whose content is not documented.
  const std::set<std::uint64_t> undocumented = {0xC01, 0xE01, 0xEE1, 0xF01};
  std::set<std::uint64_t> want, have;
  for (const auto& [nid, n] : outlook.nodes())
    if (!undocumented.count(nid)) want.insert(nid);
  for (const auto& [nid, n] : mine.nodes()) have.insert(nid);
  EXPECT_EQ(have, want);
  for (Nid t : {0x60D, 0x60E, 0x60F, 0x610, 0x62B, 0x64C, 0x671, 0x692, 0x6B6, 0x6D7, 0x6F8, 0x12D, 0x806D, 0x806E}) {
    const auto& a = mine.nodes().at(t);
    const auto& b = outlook.nodes().at(t);
    EXPECT_EQ(mine.table(a.bidData, a.bidSub).columns, outlook.table(b.bidData, b.bidSub).columns) << hex(t);
  }
  for (Nid n : {0x122u, 0x8022u, 0x8042u, 0x8062u, 0x8082u, 0x2223u}) {
    EXPECT_EQ(mine.nodes().at(n).parent, outlook.nodes().at(n).parent) << hex(n);
    const auto a = mine.propertyContext(mine.nodes().at(n));
    const auto b = outlook.propertyContext(outlook.nodes().at(n));
    ASSERT_EQ(a.size(), b.size()) << hex(n);
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].tag, b[i].tag) << hex(n);
      EXPECT_EQ(a[i].data, b[i].data) << hex(n) << " " << hex(a[i].tag);
    }
  }
  const auto rows = mine.table(mine.nodes().at(0x12D).bidData, 0).rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].first, 0x2223u);
  // The store names its folders by entry IDs made of its record key and their NIDs.
  const auto store = mine.propertyContext(mine.nodes().at(0x21));
  const PropValue* key = findProp(store, 0x0FF90102);
  const PropValue* ipm = findProp(store, 0x35E00102);
  ASSERT_TRUE(key && ipm);
  ASSERT_EQ(ipm->data.size(), 24u);
  EXPECT_TRUE(std::equal(key->data.begin(), key->data.end(), ipm->data.begin() + 4));
  EXPECT_EQ(qm::loadLe32(&ipm->data[20]), 0x8022u);
  EXPECT_EQ(mine.header().state.fileEof, 0x42400u) << "one allocation map's range, as Outlook's";
}

}  // namespace
