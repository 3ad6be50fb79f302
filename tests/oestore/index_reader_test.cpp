// The index reader on stores Outlook Express wrote: exactly the mails each store's index
// holds, each one's text equal to what the raw scan takes out of the same file, and the
// structural check passing. The folder list proves the tree walk works for any records.
#include <gtest/gtest.h>

#include <algorithm>

#include "oestore/store_checker.h"
#include "oestore/store_index.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"

namespace oe {
namespace {

using qm::test::sharedFile;
using qm::test::TempDir;

struct RealStore {
  const char* file;
  std::size_t mails;
};

constexpr RealStore kMessageStores[] = {
    {"linux-kernel.dbx", 4}, {"acpi-devel.dbx", 4}, {"kde.dbx", 5},          {"ck.dbx", 5},
    {"kmail.dbx", 5},        {"hal-commit.dbx", 4}, {"hal.dbx", 3},          {"Posteingang.dbx", 1},
    {"Mailinglists.dbx", 0}, {"welcome/Inbox.dbx", 1}, {"welcome/Outbox.dbx", 0},
};

std::string realPath(const char* file) { return sharedFile(std::string("samples/real/") + file); }

TEST(IndexReader, ListsExactlyTheMailsOfEachRealStoreWithTheRawScansBytes) {
  for (const RealStore& s : kMessageStores) {
    SCOPED_TRACE(s.file);
    auto source = FileSource::open(realPath(s.file));
    ASSERT_TRUE(source);
    const MessageIndex index = readMessageIndex(*source);
    EXPECT_TRUE(index.problems.empty()) << index.problems.front();
    ASSERT_EQ(index.mails.size(), s.mails);

    TempDir out;
    const Extraction scan = extractMails(realPath(s.file), out);
    ASSERT_EQ(scan.mails.size(), s.mails);
    for (std::size_t m = 0; m < index.mails.size(); ++m) {
      const ChainRead text = readChain(*source, index.mails[m].info.firstBlock);
      EXPECT_TRUE(text.whole());
      EXPECT_EQ(text.text, scan.mails[m]) << "mail " << m;
      EXPECT_NE(index.mails[m].info.subject, "");
    }
  }
}

TEST(IndexReader, ReadsTheMessageInfoFieldsOfARealMail) {
  auto source = FileSource::open(realPath("welcome/Inbox.dbx"));
  ASSERT_TRUE(source);
  const MessageIndex index = readMessageIndex(*source);
  ASSERT_EQ(index.mails.size(), 1u);
  const MessageInfo& m = index.mails[0].info;
  EXPECT_EQ(m.id, 2u);
  EXPECT_EQ(m.flags, 0x01000081u);  // too wide for a direct value: stored indirect
  EXPECT_EQ(m.firstBlock, 0xEAD4u);
  EXPECT_EQ(m.priority, 3u);
  EXPECT_FALSE(m.hasMessageId);
  EXPECT_EQ(m.textLength, 0x279Bu);
  EXPECT_EQ(readChain(*source, m.firstBlock).text.size(), 0x279Bu);
  EXPECT_EQ(index.header.folderName, "Inbox");
  EXPECT_NE(m.senderAddress.find('@'), std::string::npos);
}

TEST(StoreChecker, PassesOnEveryRealMessageStore) {
  for (const RealStore& s : kMessageStores) {
    auto source = FileSource::open(realPath(s.file));
    ASSERT_TRUE(source) << s.file;
    const StoreCheck check = checkMessageStore(*source);
    EXPECT_TRUE(check.sound()) << s.file << ": " << check.problems.front();
    EXPECT_EQ(check.mails, s.mails) << s.file;
  }
}

TEST(StoreChecker, RefusesFilesOfOtherKinds) {
  for (const char* file : {"Folders.dbx", "Offline.dbx", "mbx-named-test2.dbx", "fmt-838-signature-id-1193.dbx"}) {
    auto source = FileSource::open(realPath(file));
    ASSERT_TRUE(source) << file;
    EXPECT_FALSE(checkMessageStore(*source).sound()) << file;
    EXPECT_TRUE(readMessageIndex(*source).mails.empty()) << file;
  }
}

// The folder list keeps its folder records in three trees over the same walk.
TEST(TreeWalk, WalksTheFolderListsThreeTreesInTheirOrders) {
  auto source = FileSource::open(realPath("Folders.dbx"));
  ASSERT_TRUE(source);
  const StoreHeader header = readStoreHeader(*source);
  ASSERT_EQ(header.kind, StoreKind::FolderList);
  ASSERT_EQ(header.treeCount, 3u);
  const std::uint32_t counts[] = {15, 15, 14};
  for (std::uint32_t t = 0; t < 3; ++t) {
    const TreeWalk walk = walkTree(*source, header.treeRoots[t], header.treeCounts[t]);
    EXPECT_TRUE(walk.whole()) << "tree " << t;
    EXPECT_EQ(walk.values.size(), counts[t]);
  }
  // Tree 0 by folder id; every record a folder record with a name.
  const TreeWalk byId = walkTree(*source, header.treeRoots[0], header.treeCounts[0]);
  std::vector<std::string> names;
  std::uint32_t lastId = 0;
  for (std::size_t k = 0; k < byId.values.size(); ++k) {
    const RecordRead r = readRecord(*source, byId.values[k]);
    ASSERT_TRUE(r.record);
    const std::uint32_t id = r.record->number(0x00);
    if (k > 0) {
      EXPECT_GT(id, lastId);
    }
    lastId = id;
    names.push_back(r.record->text(0x02));
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "Posteingang"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "KDE"), names.end());
}

}  // namespace
}  // namespace oe
