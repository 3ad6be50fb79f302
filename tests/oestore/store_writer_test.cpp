// The message-store writer: files laid out as Outlook Express lays them out, read back
// through the index and by the raw scan, over trees of several levels, several segments of
// each kind, block offsets past 16 MiB and the size limit.
#include <gtest/gtest.h>

#include <filesystem>

#include "oestore/mail_summary.h"
#include "oestore/store_checker.h"
#include "oestore/store_index.h"
#include "oestore/store_writer.h"
#include "oestore/tree_builder.h"
#include "tests/oestore/store_read_back.h"
#include "tests/support/temp_dir.h"
#include "tests/support/files.h"

namespace oe {
namespace {

using qm::test::TempDir;

std::string mailText(int n, std::size_t length = 0) {
  std::string mail = "From: Ann <ann@example.com>\r\nTo: bob@example.com\r\nSubject: mail " + std::to_string(n) +
                     "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\n\r\nHello " + std::to_string(n) + "\r\n";
  for (std::size_t i = 0; mail.size() < length; ++i) mail += "line " + std::to_string(i) + " of the body\r\n";
  if (length) mail.resize(length);
  return mail;
}

// Writes the mails into a new store and returns its path.
std::string writeStore(const TempDir& dir, const std::vector<std::string>& mails, StoreOptions options = {}) {
  const std::string path = dir.file("Out.dbx");
  auto writer = MessageStoreWriter::create(path, options);
  EXPECT_TRUE(writer);
  for (const std::string& m : mails) {
    std::uint32_t id = 0;
    EXPECT_EQ(writer->addMail(m, summarizeMail(m, fileTimeOf(1267520400), 0), id), AddResult::Added);
  }
  EXPECT_TRUE(writer->close());
  return path;
}

// Every mail through the index and by the raw scan equals what was written, the check
// passes, and the ids run from 2.
void expectReadsBack(const std::string& path, const std::vector<std::string>& mails) {
  EXPECT_TRUE(test::storeHolds(path, mails));
  const test::StoreContents got = test::readBackStore(path);
  for (std::size_t m = 0; m < got.records.size(); ++m) EXPECT_EQ(got.records[m].id, m + 2);
}

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
  return qm::loadLe32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

// A store of the mails of a real one, with the real records' folder id, is the real file in
// its header, file info and text blocks; only the records differ (we keep no MIME cache
// and add the body's line count), and with them the fields that count their bytes.
TEST(StoreWriter, LaysOutHeaderFileInfoAndBlocksAsOutlookExpressDoes) {
  const std::string realPath = qm::test::sharedFile("samples/real/acpi-devel.dbx");
  const std::string real = qm::test::readFile(realPath);
  auto source = FileSource::open(realPath);
  ASSERT_TRUE(source);
  const MessageIndex index = readMessageIndex(*source);
  std::vector<std::string> mails;
  for (const IndexedMail& m : index.mails) mails.push_back(readChain(*source, m.info.firstBlock).text);

  TempDir dir;
  StoreOptions options;
  options.folderName = index.header.folderName;
  options.folderId = u32At(real, kFileInfoStart + kInfoFolderId);
  const std::string ours = qm::test::readFile(writeStore(dir, mails, options));
  ASSERT_EQ(ours.size(), real.size());
  for (std::size_t at = 0; at < kFirstSectorEnd; at += 4) {
    if (at == kLastVariableUsed || at == kBytesHandedOut || at == kLiveRecordBytes) continue;
    ASSERT_EQ(u32At(ours, at), u32At(real, at)) << "header offset " << at;
  }
  EXPECT_EQ(ours.substr(0xEAD4, kMessageSegmentSize), real.substr(0xEAD4, kMessageSegmentSize));
  EXPECT_EQ(ours.substr(kFirstSectorEnd, kMessageFilterLength), real.substr(kFirstSectorEnd, kMessageFilterLength));
  expectReadsBack(dir.file("Out.dbx"), mails);
}

TEST(StoreWriter, AnEmptyStoreIsTheEmptyStoreOutlookExpressWrites) {
  TempDir dir;
  const std::string ours = qm::test::readFile(writeStore(dir, {}));
  const std::string real = qm::test::readFile(qm::test::sharedFile("samples/real/Mailinglists.dbx"));
  ASSERT_EQ(ours.size(), real.size());
  for (std::size_t at = 0; at < kFileInfoStart; at += 4) ASSERT_EQ(u32At(ours, at), u32At(real, at)) << at;
  expectReadsBack(dir.file("Out.dbx"), {});
}

TEST(StoreWriter, MailsOfEveryBlockBoundaryReadBackThroughTheIndexAndTheRawScan) {
  std::vector<std::string> mails;
  for (const std::size_t length : {120, 511, 512, 513, 1024, 1025, 5000, 70000}) mails.push_back(mailText(static_cast<int>(mails.size()), length));
  mails.push_back("x");
  TempDir dir;
  expectReadsBack(writeStore(dir, mails), mails);
}

// 3000 records need three tree levels, several variable segments and message segments.
TEST(StoreWriter, ManyMailsMakeATreeOfSeveralLevelsThatWalksInIdOrder) {
  std::vector<std::string> mails;
  for (int i = 0; i < 3000; ++i) mails.push_back(mailText(i));
  TempDir dir;
  const std::string path = writeStore(dir, mails);
  expectReadsBack(path, mails);
  auto source = FileSource::open(path);
  const StoreHeader header = readStoreHeader(*source);
  const TreeWalk walk = walkTree(*source, header.treeRoots[0], header.treeCounts[0]);
  EXPECT_EQ(walk.nodes.size(), treeNodeCount(3000));
  EXPECT_GT(walk.nodes.size(), 53u);  // a root, its children and theirs
  EXPECT_NE(header.lastVariableStart, kFirstSectorEnd);
  EXPECT_EQ(header.lastId, 3001u);
}

TEST(StoreWriter, TreesOfAnySizeKeepEveryNodeWithinItsCapacityAndLeavesAtOneDepth) {
  for (const std::uint32_t count : {1u, 51u, 52u, 53u, 103u, 2703u, 2704u, 5000u, 140607u, 140608u}) {
    std::vector<std::uint32_t> values(count);
    for (std::uint32_t i = 0; i < count; ++i) values[i] = i + 1;
    const std::vector<PlannedNode> nodes = planTree(values);
    ASSERT_EQ(nodes.size(), treeNodeCount(count)) << count;
    std::vector<int> depth(nodes.size(), 0);
    int leafDepth = -1;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      if (nodes[i].parent >= 0) depth[i] = depth[static_cast<std::size_t>(nodes[i].parent)] + 1;
      ASSERT_GE(nodes[i].values.size(), 1u) << count;
      ASSERT_LE(nodes[i].values.size(), kNodeCapacity) << count;
      if (nodes[i].children[0] < 0) {
        if (leafDepth < 0) leafDepth = depth[i];
        ASSERT_EQ(depth[i], leafDepth) << count;
      }
    }
  }
}

// Past 16 MiB a block offset no longer fits a direct field: the record keeps it indirect.
TEST(StoreWriter, BlocksPastSixteenMebibytesAreStillReachedThroughTheIndex) {
  std::vector<std::string> mails;
  for (int i = 0; i < 36; ++i) mails.push_back(mailText(i, 500000));
  TempDir dir;
  const std::string path = writeStore(dir, mails);
  expectReadsBack(path, mails);
  auto source = FileSource::open(path);
  const MessageIndex index = readMessageIndex(*source);
  EXPECT_GT(index.mails.back().info.firstBlock, 1u << 24);
}

TEST(StoreWriter, AMailThatWouldPassTheLimitIsRefusedAndTheStoreStaysWhole) {
  TempDir dir;
  StoreOptions options;
  options.limit = 400000;
  auto writer = MessageStoreWriter::create(dir.file("Out.dbx"), options);
  std::vector<std::string> kept;
  std::uint32_t id = 0;
  AddResult result = AddResult::Added;
  for (int i = 0; result == AddResult::Added; ++i) {
    const std::string mail = mailText(i, 30000);
    result = writer->addMail(mail, summarizeMail(mail, 0, 0), id);
    if (result == AddResult::Added) kept.push_back(mail);
  }
  EXPECT_EQ(result, AddResult::TooLarge);
  // A small mail still fits where the large one did not.
  const std::string small = mailText(99);
  EXPECT_EQ(writer->addMail(small, summarizeMail(small, 0, 0), id), AddResult::Added);
  kept.push_back(small);
  EXPECT_EQ(writer->addMail("", MessageInfo{}, id), AddResult::Empty);
  ASSERT_TRUE(writer->close());
  EXPECT_LE(*qm::platform::fileSize(dir.file("Out.dbx")), 400000u);
  expectReadsBack(dir.file("Out.dbx"), kept);
}

TEST(StoreWriter, FinishingAgainAfterMoreMailsGivesAStoreOfAllOfThem) {
  TempDir dir;
  auto writer = MessageStoreWriter::create(dir.file("Out.dbx"), {});
  std::vector<std::string> mails;
  std::uint32_t id = 0;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 70; ++i) {
      mails.push_back(mailText(round * 100 + i, 900));
      ASSERT_EQ(writer->addMail(mails.back(), summarizeMail(mails.back(), 0, 0), id), AddResult::Added);
    }
    ASSERT_TRUE(writer->finish());
    expectReadsBack(dir.file("Out.dbx"), mails);
  }
  EXPECT_TRUE(writer->close());
}

// A disk that refuses the writes: the writer says so and takes no more mails.
TEST(StoreWriter, ADiskThatRefusesWritesIsReportedAndEndsTheStore) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no device that is always full here";
  auto writer = MessageStoreWriter::create("/dev/full", {});
  ASSERT_TRUE(writer);
  std::uint32_t id = 0;
  AddResult result = AddResult::Added;
  for (int i = 0; i < 200 && result == AddResult::Added; ++i) {
    const std::string mail = mailText(i, 3000);
    result = writer->addMail(mail, summarizeMail(mail, 0, 0), id);
  }
  EXPECT_EQ(result, AddResult::WriteFailed);
  EXPECT_FALSE(writer->finish());
  EXPECT_FALSE(writer->close());
}

}  // namespace
}  // namespace oe
