// What the engine tells about a store besides its mails: the damage counts and the facts of
// single mails that a listing shows.
#include <gtest/gtest.h>

#include "tests/engine/engine_fixture.h"
#include "tests/support/storegen/store_generator.h"

using namespace qm::storegen;
using qm::test::TempDir;

namespace {

std::string mailText(int n, std::size_t length) {
  std::string text =
      "From: a@example.com\r\nTo: b@example.com\r\nSubject: " + std::to_string(n) +
      "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMIME-Version: 1.0\r\nX-MimeOLE: V6\r\n\r\n";
  text.resize(length, 'x');
  return text;
}

// Three mails of 3 blocks: the first loses its header block, the second is cut after its
// first block, the third is whole.
std::string damagedStore(const TempDir& dir) {
  GeneratedStore store = buildStore({mailText(0, 1500), mailText(1, 1500), mailText(2, 1500)});
  cutChainAt(store, 0, 0);
  cutChainAt(store, 1, 1);
  return storeFile(dir, "Damaged.dbx", store.bytes);
}

TEST(StoreFindings, CountDroppedChainsStrayBlocksAndMailsWithoutAHeader) {
  TempDir dir, out;
  RecordingHost host;
  DbxFile engine(host);
  ASSERT_TRUE(engine.open(damagedStore(dir)));
  std::int32_t count = 0;
  EXPECT_EQ(engine.findMails(count), 3);  // the first mail's tail, the second's tail, the third
  StoreFindings found = engine.findings();
  EXPECT_EQ(found.blocks, 7);
  EXPECT_EQ(found.mails, 3);
  EXPECT_EQ(found.incompleteChains, 1);
  EXPECT_EQ(found.strayBlocks, 1) << "the second mail's first block, whose chain was dropped";
  EXPECT_EQ(found.headerless, 0) << "nothing written yet";
  for (int m = 0; m < count; ++m) {
    std::string path;
    EXPECT_TRUE(engine.saveMailToEML(out.path(), path, m));
  }
  EXPECT_EQ(engine.findings().headerless, 2);
  engine.close();
  ASSERT_TRUE(engine.open(dir.file("Damaged.dbx")));
  EXPECT_EQ(engine.findings().headerless, 0) << "counted afresh for every store";
}

TEST(StoreFindings, RecoveryModeCountsTheMailsItRefuses) {
  TempDir dir, out;
  RecordingHost host;
  DbxFile engine(host);
  engine.recoveryMode = true;
  ASSERT_TRUE(engine.open(damagedStore(dir)));
  std::int32_t count = 0;
  engine.findMails(count);
  int saved = 0;
  for (int m = 0; m < count; ++m) {
    std::string path;
    saved += engine.saveMailToEML(out.path(), path, m) ? 1 : 0;
  }
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(engine.findings().headerless, 2);
}

TEST(MailFacts, DescribeAMailFromItsChainAndFirstBlocks) {
  TempDir dir;
  RecordingHost host;
  DbxFile engine(host);
  ASSERT_TRUE(engine.open(damagedStore(dir)));
  std::int32_t count = 0;
  engine.findMails(count);
  MailFacts facts;
  ASSERT_TRUE(engine.describeMail(2, facts));
  EXPECT_EQ(facts.blocks, 3);
  EXPECT_EQ(facts.bytes, 1500);
  EXPECT_TRUE(facts.complete);
  EXPECT_TRUE(facts.header);
  EXPECT_EQ(facts.head, mailText(2, 1500));
  ASSERT_TRUE(engine.describeMail(0, facts));
  EXPECT_EQ(facts.blocks, 2);
  EXPECT_EQ(facts.bytes, 1500 - 512);
  EXPECT_FALSE(facts.header);
  const std::vector<std::int32_t> dropped = engine.droppedChains();
  ASSERT_EQ(dropped.size(), 1u);
  ASSERT_TRUE(engine.describeChain(dropped[0], facts));
  EXPECT_EQ(facts.blocks, 1);
  EXPECT_FALSE(facts.complete) << "its last block still names the block that was cut";
  EXPECT_TRUE(facts.header);
  EXPECT_EQ(facts.head, mailText(1, 512));
  EXPECT_FALSE(engine.describeMail(3, facts));
  EXPECT_FALSE(engine.describeMail(-1, facts));
  engine.close();
  EXPECT_FALSE(engine.describeMail(0, facts)) << "no store open";
}

}  // namespace
