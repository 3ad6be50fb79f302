// The indexed linking against the plain transcription with its list searches, on random
// block tables full of the awkward cases: duplicate offsets, loops, chains backwards and
// interleaved, successors that do not exist, starts replaced more than once.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/block_linker.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/reference_linker.h"
#include "tests/support/storegen/store_generator.h"

namespace {

// A random table: offsets from a small pool so that they collide, successors that are
// the next block, an earlier or later one, the block itself, nothing, or no block at all.
std::vector<DbxBlockRecord> randomTable(std::mt19937& random, std::size_t largest) {
  const std::size_t n = random() % largest;
  const std::uint32_t pool = 1 + random() % (n + 8);
  std::vector<DbxBlockRecord> table(n);
  for (std::size_t d = 0; d < n; ++d) {
    table[d].position = static_cast<std::int64_t>(60116 + d * 528);
    table[d].selfOffset = 60116 + (random() % pool) * 528;
    table[d].usedLength = 512;
  }
  for (std::size_t d = 0; d < n; ++d) {
    std::uint32_t next = 0;
    switch (random() % 8) {
      case 0: case 1: next = 0; break;
      case 2: case 3: if (d + 1 < n) next = table[d + 1].selfOffset; break;
      case 4: next = table[random() % n].selfOffset; break;
      case 5: next = table[d].selfOffset; break;
      case 6: next = 60116 + (random() % (pool + 3)) * 528; break;
      default: next = random() % 16 == 0 ? 0x80000000u + random() % 100 : 60116 + (pool + 5) * 528; break;
    }
    table[d].nextOffset = next;
  }
  return table;
}

// A table whose chains mostly run forward, as stores are written, with a few blocks that
// break the rule somewhere: a successor earlier in the file, one that is missing, a self
// offset that falls back or repeats. The linear pass links the part before the first of
// them and hands over to the indexed linking there.
std::vector<DbxBlockRecord> mostlyForwardTable(std::mt19937& random, std::size_t largest) {
  const std::size_t n = 1 + random() % largest;
  std::vector<DbxBlockRecord> table(n);
  std::uint32_t offset = 60116;
  for (std::size_t d = 0; d < n; ++d) {
    offset += 528 * (1 + (random() % 4 == 0));
    table[d].position = offset;
    table[d].selfOffset = random() % 50 == 0 ? 60116 + (random() % (d + 1)) * 528 : offset;
    table[d].usedLength = 512;
  }
  for (std::size_t d = 0; d < n; ++d) {
    const bool last = d + 1 == n || random() % 6 == 0;
    std::uint32_t next = last ? 0 : table[d + 1].selfOffset;
    if (random() % 40 == 0) next = table[random() % n].selfOffset;
    if (random() % 60 == 0) next = 60116 + 7;  // no block has it
    table[d].nextOffset = next;
  }
  return table;
}

struct LinkRun {
  std::vector<std::int32_t> mails;
  std::vector<LogEntry> log;
  std::int32_t count = 0;
};

void expectSameLinking(std::vector<DbxBlockRecord> fast, int round) {
  std::vector<DbxBlockRecord> plain = fast;
    LinkRun a, b;
    a.count = linkBlockTable(fast, a.mails, [&](const std::string& t, bool e) { a.log.push_back({t, e}); }).mails;
    b.count = referenceLinkBlocks(plain, b.mails, [&](const std::string& t, bool e) { b.log.push_back({t, e}); });
    ASSERT_EQ(a.count, b.count) << "round " << round;
    ASSERT_EQ(a.mails, b.mails) << "round " << round;
    ASSERT_EQ(a.log, b.log) << "round " << round;
    for (std::size_t d = 0; d < fast.size(); ++d) {
      ASSERT_EQ(fast[d].status, plain[d].status) << "round " << round << " record " << d;
      ASSERT_EQ(fast[d].next, plain[d].next) << "round " << round << " record " << d;
      ASSERT_EQ(fast[d].hasPredecessor, plain[d].hasPredecessor) << "round " << round << " record " << d;
    }
}

TEST(LinkDifferential, IndexedLinkingMatchesTheListSearchesOnRandomTables) {
  std::mt19937 random(528);
  for (int round = 0; round < 20000; ++round) {
    // Mostly small tables, where every case is dense; every tenth one larger.
    ASSERT_NO_FATAL_FAILURE(expectSameLinking(randomTable(random, round % 10 == 0 ? 400 : 40), round));
  }
}

TEST(LinkDifferential, LinearPassAndItsHandOverMatchTheListSearches) {
  std::mt19937 random(60116);
  for (int round = 0; round < 5000; ++round)
    ASSERT_NO_FATAL_FAILURE(expectSameLinking(mostlyForwardTable(random, round % 10 == 0 ? 2000 : 200), round));
}

// The tables of generated stores in every layout, whole and with a chain cut.
TEST(LinkDifferential, EveryStoreLayoutMatchesTheListSearches) {
  using namespace qm::storegen;
  std::vector<std::size_t> lengths;
  for (std::size_t m = 0; m < 200; ++m) lengths.push_back(1 + (m * 7919) % 9000);
  int round = 0;
  for (const Layout layout : {Layout::InOrder, Layout::Reversed, Layout::Interleaved, Layout::Spread, Layout::Shuffled}) {
    StoreOptions options;
    options.layout = layout;
    const StorePlan plan = planStore(lengths, options);
    std::vector<DbxBlockRecord> table;
    for (const auto& mail : plan.mails)
      for (const auto& b : mail) {
        DbxBlockRecord r;
        r.position = static_cast<std::int64_t>(b.position);
        r.selfOffset = b.selfOffset;
        r.nextOffset = b.nextOffset;
        r.usedLength = b.usedLength;
        table.push_back(r);
      }
    std::sort(table.begin(), table.end(), [](const auto& a, const auto& b) { return a.position < b.position; });
    ASSERT_NO_FATAL_FAILURE(expectSameLinking(table, round++)) << layoutName(layout);
    table.erase(table.begin() + static_cast<std::ptrdiff_t>(table.size() / 2));  // a chain cut in the middle
    ASSERT_NO_FATAL_FAILURE(expectSameLinking(table, round++)) << layoutName(layout) << ", cut";
  }
}

}  // namespace
