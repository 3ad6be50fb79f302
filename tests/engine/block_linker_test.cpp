// Chain linking on hand-made block tables: the layouts a store can have, the rejection of
// incomplete chains and their log lines.
#include <gtest/gtest.h>

#include "engine/block_linker.h"
#include "tests/engine/engine_fixture.h"

namespace {

DbxBlockRecord block(std::uint32_t self, std::uint32_t next) {
  DbxBlockRecord r;
  r.position = self;
  r.selfOffset = self;
  r.nextOffset = next;
  r.usedLength = next ? 512 : 100;
  return r;
}

struct Linked {
  std::vector<DbxBlockRecord> table;
  std::vector<std::int32_t> mails;
  std::vector<LogEntry> log;
  LinkOutcome outcome;
};

Linked link(std::vector<DbxBlockRecord> table) {
  Linked l;
  l.table = std::move(table);
  l.outcome = linkBlockTable(l.table, l.mails, [&](const std::string& t, bool e) { l.log.push_back({t, e}); });
  return l;
}

std::vector<std::int32_t> statuses(const Linked& l) {
  std::vector<std::int32_t> s;
  for (const auto& r : l.table) s.push_back(r.status);
  return s;
}

std::vector<std::int32_t> nexts(const Linked& l) {
  std::vector<std::int32_t> s;
  for (const auto& r : l.table) s.push_back(r.next);
  return s;
}

TEST(BlockLinking, ConsecutiveBlocksMakeOneMail) {
  const Linked l = link({block(70000, 70528), block(70528, 71056), block(71056, 0)});
  EXPECT_EQ(l.mails, std::vector<std::int32_t>{0});
  EXPECT_EQ(statuses(l), (std::vector<std::int32_t>{4, 2, 3}));
  EXPECT_EQ(nexts(l), (std::vector<std::int32_t>{1, 2, -1}));
  const std::vector<LogEntry> expected = {{"Total 0 suspecious object identified", true},
                                          {"1 Mail headers identified", false}};
  EXPECT_EQ(l.log, expected);
}

TEST(BlockLinking, SecondBlockBeforeTheFirstTakesItsPlaceInTheMailList) {
  // B (second of its mail) lies first in the file; A names B.
  const Linked l = link({block(70000, 0), block(71000, 70000)});
  EXPECT_EQ(l.mails, std::vector<std::int32_t>{1});
  EXPECT_EQ(statuses(l), (std::vector<std::int32_t>{3, 4}));
  EXPECT_TRUE(l.table[0].hasPredecessor);
  EXPECT_EQ(l.table[1].next, 0);
}

TEST(BlockLinking, BlocksApartInOrderAreJoinedWhenTheSecondIsMet) {
  const Linked l = link({block(70000, 72000), block(71000, 0), block(72000, 0)});
  EXPECT_EQ(l.mails, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(statuses(l), (std::vector<std::int32_t>{4, 4, 2}));
  EXPECT_EQ(l.table[0].next, 2);
  EXPECT_TRUE(l.table[2].hasPredecessor);
}

TEST(BlockLinking, MissingSuccessorRejectsTheMailWithItsPosition) {
  const Linked l = link({block(70000, 0), block(71000, 0xABCDE), block(72000, 0)});
  EXPECT_EQ(l.mails, (std::vector<std::int32_t>{0, 2}));
  EXPECT_EQ(l.outcome.rejected, 1);
  const std::vector<LogEntry> expected = {{"Total 0 suspecious object identified", true},
                                          {"Mail 1 rejected as last object in chain has nextoffset=abcde", true},
                                          {"2 Mail headers identified", false}};
  EXPECT_EQ(l.log, expected);
}

TEST(BlockLinking, RejectionLinesNameThePositionsBeforeValidation) {
  const Linked l = link({block(70000, 90000), block(71000, 91000), block(72000, 0)});
  EXPECT_EQ(l.mails, std::vector<std::int32_t>{2});
  EXPECT_EQ(l.log[1].text, "Mail 1 rejected as last object in chain has nextoffset=16378");
  EXPECT_EQ(l.log[2].text, "Mail 0 rejected as last object in chain has nextoffset=15f90");
}

TEST(BlockLinking, EmptyTableGivesNoMails) {
  const Linked l = link({});
  EXPECT_TRUE(l.mails.empty());
  const std::vector<LogEntry> expected = {{"Total 0 suspecious object identified", true},
                                          {"0 Mail headers identified", false}};
  EXPECT_EQ(l.log, expected);
}

TEST(BlockLinking, TwoBlocksNamingEachOtherLeaveNoMailStart) {
  // The second block takes the first out of the mail list as its successor.
  const Linked l = link({block(70000, 71000), block(71000, 70000)});
  EXPECT_EQ(l.outcome.mails, 0);
  EXPECT_EQ(l.outcome.rejected, 0);
  EXPECT_EQ(nexts(l), (std::vector<std::int32_t>{1, 0}));
}

TEST(BlockLinking, ChainEndingInALoopPassesValidation) {
  // X -> A -> B -> A, laid out X, B, A.
  const Linked l = link({block(69000, 70000), block(71000, 70000), block(70000, 71000)});
  EXPECT_EQ(l.mails, std::vector<std::int32_t>{0});
  EXPECT_EQ(l.outcome.rejected, 0);
  EXPECT_EQ(nexts(l), (std::vector<std::int32_t>{2, 2, 1}));
}

TEST(BlockLinking, MailStartReplacedTwiceWhenTheChainRunsBackwards) {
  // Chain C -> B -> A laid out A, B, C: each block met replaces the start before it.
  const Linked l = link({block(70000, 0), block(71000, 70000), block(72000, 71000)});
  EXPECT_EQ(l.mails, std::vector<std::int32_t>{2});
  EXPECT_EQ(statuses(l), (std::vector<std::int32_t>{3, 2, 4}));
  EXPECT_EQ(nexts(l), (std::vector<std::int32_t>{-1, 0, 1}));
}

TEST(BlockLinking, StartThatGainsAPredecessorWhileFollowingStaysListedButIsNoMailStart) {
  // X waits for Y; H is a mail start; Y follows X and precedes H: H keeps its place in the
  // list although it now has a predecessor, and is later refused by the writer.
  const Linked l = link({block(70000, 72000), block(80000, 0), block(72000, 80000)});
  EXPECT_EQ(l.mails, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(l.table[1].status, 3);
  EXPECT_TRUE(l.table[1].hasPredecessor);
  EXPECT_EQ(nexts(l), (std::vector<std::int32_t>{2, -1, 1}));
}

TEST(BlockLinking, DuplicateSelfOffsetsLinkToTheFirstListedStart) {
  const Linked l = link({block(75000, 0), block(75000, 0), block(90000, 75000)});
  EXPECT_EQ(l.mails, (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(l.table[2].next, 0);
  EXPECT_TRUE(l.table[0].hasPredecessor);
  EXPECT_FALSE(l.table[1].hasPredecessor);
}

TEST(BlockLinking, SuccessorOffsetsAbove2GiBStillWait) {
  // A store past 2 GiB: a next-block offset with its top bit set names a later block.
  const Linked l = link({block(0x80000000u, 0x90000000u), block(0x85000000u, 0), block(0x90000000u, 0)});
  EXPECT_EQ(l.mails, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(l.table[0].next, 2);
  EXPECT_EQ(l.outcome.rejected, 0);
}

}  // namespace
