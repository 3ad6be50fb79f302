// The index reader and the structural check on named corruptions of a store we wrote:
// each one is found and reported, and nothing is read outside the file or twice.
#include <gtest/gtest.h>

#include "oestore/mail_summary.h"
#include "oestore/store_checker.h"
#include "oestore/store_index.h"
#include "oestore/store_writer.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace oe {
namespace {

// A store of 60 mails (a root and two leaves), in memory.
class DamagedIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    qm::test::TempDir dir;
    auto writer = MessageStoreWriter::create(dir.file("S.dbx"), {});
    std::uint32_t id = 0;
    for (int i = 0; i < 60; ++i) {
      const std::string mail = "Subject: " + std::to_string(i) + "\r\n\r\n" + std::string(300 + 10 * i, 'x');
      ASSERT_EQ(writer->addMail(mail, summarizeMail(mail, 0, 0), id), AddResult::Added);
    }
    ASSERT_TRUE(writer->close());
    const std::string text = qm::test::readFile(dir.file("S.dbx"));
    bytes.assign(text.begin(), text.end());
    MemorySource source(bytes);
    header = readStoreHeader(source);
    walk = walkTree(source, header.treeRoots[0], header.treeCounts[0]);
    ASSERT_TRUE(walk.whole());
    ASSERT_EQ(walk.nodes.size(), 3u);
    ASSERT_TRUE(checkMessageStore(source).sound());
  }

  void put(std::size_t at, std::uint32_t value) { qm::storeLe32(bytes.data() + at, value); }
  std::uint32_t get(std::size_t at) const { return qm::loadLe32(bytes.data() + at); }
  std::uint32_t firstBlockOf(std::size_t mail) {
    MemorySource source(bytes);
    return readMessageIndex(source).mails.at(mail).info.firstBlock;
  }

  // The check reports a problem containing `text`, and the index reader survives.
  ::testing::AssertionResult reports(const std::string& text) {
    MemorySource source(bytes);
    readMessageIndex(source);
    const StoreCheck check = checkMessageStore(source);
    for (const std::string& p : check.problems)
      if (p.find(text) != std::string::npos) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "no problem with \"" << text << "\" among:";
    for (const std::string& p : check.problems) failure << "\n  " << p;
    return failure;
  }

  std::vector<std::uint8_t> bytes;
  StoreHeader header;
  TreeWalk walk;
};

TEST_F(DamagedIndex, ANodeWhoseSelfFieldIsWrong) {
  put(walk.nodes[1] + kNodeSelf, 12345);
  EXPECT_TRUE(reports("self field is not the node's offset"));
}

TEST_F(DamagedIndex, ANodeNamingAnotherParent) {
  put(walk.nodes[2] + kNodeParent, walk.nodes[1]);
  EXPECT_TRUE(reports("parent field is not"));
}

TEST_F(DamagedIndex, AChildCountThatDisagreesWithTheChild) {
  put(walk.nodes[0] + kNodeLeftCount, get(walk.nodes[0] + kNodeLeftCount) + 1);
  EXPECT_TRUE(reports("values counted"));
}

TEST_F(DamagedIndex, AChildPointingBackAtTheRootIsNotWalkedAgain) {
  put(walk.nodes[0] + kNodeEntries + 4, walk.nodes[0]);
  EXPECT_TRUE(reports("reached twice"));
}

TEST_F(DamagedIndex, AChildOutsideTheFile) {
  put(walk.nodes[0] + kNodeLeftChild, static_cast<std::uint32_t>(bytes.size()) - 8);
  EXPECT_TRUE(reports("outside the file"));
}

TEST_F(DamagedIndex, ANodeWithMoreEntriesThanItHasRoomFor) {
  bytes[walk.nodes[1] + kNodeEntryCount] = 0x34;
  EXPECT_TRUE(reports("52 entries"));
  bytes[walk.nodes[1] + kNodeEntryCount] = 0;
  EXPECT_TRUE(reports("0 entries"));
}

TEST_F(DamagedIndex, AHeaderCountingOtherwiseThanTheTree) {
  put(kTreeValueCounts, 61);
  EXPECT_TRUE(reports("the header counts 61"));
}

TEST_F(DamagedIndex, ARecordLongerThanAnyRecord) {
  put(walk.values[5] + kRecordBodyLength, 0x7FFFFFF0);
  EXPECT_TRUE(reports("does not fit"));
}

TEST_F(DamagedIndex, RecordIndexEntriesOutOfOrder) {
  const std::size_t entries = walk.values[5] + kRecordHeaderLength;
  const std::uint32_t first = get(entries), second = get(entries + 4);
  put(entries, second);
  put(entries + 4, first);
  EXPECT_TRUE(reports("index entries out of order"));
}

TEST_F(DamagedIndex, AChainThatLoopsBackOnItself) {
  const std::uint32_t block = firstBlockOf(7);
  put(block + dbx::kNextOffsetField, block);
  EXPECT_TRUE(reports("reached twice in one chain"));
}

TEST_F(DamagedIndex, AChainRunningPastTheEndOfTheFile) {
  const std::uint32_t block = firstBlockOf(7);
  put(block + dbx::kNextOffsetField, static_cast<std::uint32_t>(bytes.size()) - 100);
  EXPECT_TRUE(reports("outside the file"));
}

TEST_F(DamagedIndex, ABlockThatIsNotFullButHasASuccessor) {
  const std::uint32_t block = firstBlockOf(30);  // two blocks
  put(block + dbx::kUsedLengthField, 100);
  EXPECT_TRUE(reports("not full but followed by another block"));
}

TEST_F(DamagedIndex, TwoMailsSharingABlock) {
  const std::size_t pointer = walk.values[9] + kRecordHeaderLength;
  // Mail 9's first-block field, direct: the entry after id, flags, sent time and line count.
  ASSERT_EQ(get(pointer + 16) & kIndexMask, msg::kFirstBlock);
  put(pointer + 16, (firstBlockOf(8) << 8) | kDirectBit | msg::kFirstBlock);
  EXPECT_TRUE(reports("belongs to another mail too"));
}

TEST_F(DamagedIndex, CountersThatDisagreeWithTheObjects) {
  put(kLiveBlockBytes, get(kLiveBlockBytes) + dbx::kBlockLength);
  EXPECT_TRUE(reports("bytes of blocks"));
}

TEST_F(DamagedIndex, ALogicalEndPastTheFile) {
  put(kLogicalEnd, static_cast<std::uint32_t>(bytes.size()) + 1);
  EXPECT_TRUE(reports("outside the file"));
}

}  // namespace
}  // namespace oe
