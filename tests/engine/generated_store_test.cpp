// Stores from the generator: every layout gives its mails back byte for byte, and each named
// kind of damage has exactly the effect the block rules and the linking give it.
#include <gtest/gtest.h>

#include "engine/dbx_format.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/storegen/store_generator.h"

using namespace qm::storegen;
using qm::test::TempDir;

namespace {

// Mails of 1 to 12 blocks, with texts that differ in every block.
std::vector<std::string> sampleTexts() {
  std::vector<std::string> mails;
  for (int m = 0; m < 9; ++m) {
    std::string text = "From: sender";
    text += std::to_string(m);
    text += "@example.org\r\nSubject: mail ";
    text += std::to_string(m);
    text += "\r\n\r\n";
    const std::size_t length = m == 0 ? 1 : m == 1 ? 512 : m == 2 ? 513 : 700 * static_cast<std::size_t>(m);
    for (std::size_t i = 0; text.size() < length; ++i) text += static_cast<char>('a' + (i * 7 + m) % 26);
    text.resize(length);
    mails.push_back(text);
  }
  return mails;
}

// For each mail taken out, the number of the mail it equals byte for byte (-1 for none).
std::vector<int> savedNumbers(const Extraction& got, const std::vector<std::string>& mails) {
  std::vector<int> numbers;
  for (const auto& text : got.mails) {
    const auto it = std::find(mails.begin(), mails.end(), text);
    numbers.push_back(it == mails.end() ? -1 : static_cast<int>(it - mails.begin()));
  }
  return numbers;
}

Extraction extractStore(const GeneratedStore& store, bool recovery = false) {
  TempDir dir;
  TempDir out;
  return extractMails(storeFile(dir, "Store.dbx", store.bytes), out, recovery);
}

TEST(GeneratedStores, EveryLayoutGivesBackEveryMailByteForByte) {
  const auto mails = sampleTexts();
  for (const Layout layout : {Layout::InOrder, Layout::Reversed, Layout::Interleaved, Layout::Spread, Layout::Shuffled}) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
      StoreOptions options;
      options.layout = layout;
      options.seed = seed;
      const Extraction got = extractStore(buildStore(mails, options));
      std::vector<int> numbers = savedNumbers(got, mails);
      if (layout == Layout::Shuffled) {
        // Blocks in random order leave some listed blocks that later gained a predecessor;
        // they are no mail starts and fail without text. Every mail is still taken out once.
        numbers.erase(std::remove(numbers.begin(), numbers.end(), -1), numbers.end());
        std::sort(numbers.begin(), numbers.end());
        EXPECT_EQ(std::count(got.saved.begin(), got.saved.end(), true), 9);
      }
      EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8})) << layoutName(layout) << " seed " << seed;
    }
  }
}

// The scan reads 100000-byte chunks that overlap by 16 bytes; a block that starts exactly at
// a later chunk's first byte, or one byte before it, must not be lost.
TEST(GeneratedStores, BlocksStartingAtChunkEdgesAreKept) {
  for (const std::uint64_t edge : {99984u, 99983u, 199968u}) {
    StoreOptions options;
    options.firstBlock = edge - 528 * 70;  // block 70 of the long mail starts at the edge
    std::string text(528 * 200, 'x');
    for (std::size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('A' + i % 26);
    const GeneratedStore store = buildStore({text, "after"}, options);
    ASSERT_EQ(store.plan.mails[0][70].position, edge);
    EXPECT_EQ(extractStore(store).mails, (std::vector<std::string>{text, "after"})) << "edge " << edge;
  }
}

TEST(GeneratedStores, StoredSelfOffsetsThatDifferFromPositionsStillChain) {
  const auto mails = sampleTexts();
  StoreOptions options;
  options.firstBlock = 90000;
  options.selfOffsetShift = -20000;  // every block claims to lie 20000 bytes earlier
  options.layout = Layout::Interleaved;
  const GeneratedStore store = buildStore(mails, options);
  EXPECT_EQ(store.plan.mails[0][0].selfOffset, 70000u);
  auto got = extractStore(store).mails;
  auto want = mails;
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
}

TEST(GeneratedStores, CutChainRejectsTheHeadAndKeepsTheTailAsAMailOfItsOwn) {
  const std::string head(1024, 'h'), lost(512, 'l'), tail = "the tail";
  GeneratedStore store = buildStore({"first", head + lost + tail, "last"});
  cutChainAt(store, 1, 2);
  TempDir dir, out;
  RecordingHost host;
  DbxFile file(host);
  file.logEnabled = true;
  ASSERT_TRUE(file.open(storeFile(dir, "Cut.dbx", store.bytes)));
  std::int32_t count = 0;
  EXPECT_EQ(file.findMails(count), 3);
  const std::uint32_t missing = store.plan.mails[1][2].selfOffset;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", missing);
  EXPECT_TRUE(host.hasLine(std::string("Mail 1 rejected as last object in chain has nextoffset=") + hex, true));
  file.close();
  EXPECT_EQ(extractStore(store).mails, (std::vector<std::string>{"first", tail, "last"}));
}

TEST(GeneratedStores, SuccessorPastTheEndHidesTheBlockAndCutsTheMail) {
  GeneratedStore store = buildStore({std::string(1536, 'a') + "end", "other"});
  pointPastEnd(store, 0, 1);  // the second block now names a successor beyond the file
  const Extraction got = extractStore(store);
  // Block 1 is no longer recognised: block 0 finds no successor and is rejected; block 2
  // (with block 3) becomes a mail of its own.
  EXPECT_EQ(got.mails, (std::vector<std::string>{std::string(512, 'a') + "end", "other"}));
}

TEST(GeneratedStores, TruncationInsideAChainRejectsThatMail) {
  GeneratedStore store = buildStore({"one", std::string(2000, 'b'), "three"});
  truncateStore(store, store.plan.mails[1][2].position + 100);  // inside mail 1's third block
  // The third block's successor now lies past the end, so it is not recognised, and the
  // second block finds no successor.
  const Extraction got = extractStore(store);
  EXPECT_EQ(got.mails, std::vector<std::string>{"one"});
}

TEST(GeneratedStores, TruncationInsideALastBlockFailsThatMail) {
  GeneratedStore store = buildStore({"one", std::string(2000, 'b')});
  truncateStore(store, store.plan.mails[1][3].position + 100);  // inside mail 1's last block
  const Extraction got = extractStore(store);
  // The last block is still found, but its text can no longer be read whole: the mail
  // fails rather than being saved without it.
  EXPECT_EQ(got.mails, (std::vector<std::string>{"one", ""}));
  EXPECT_EQ(got.saved, (std::vector<bool>{true, false}));
}

TEST(GeneratedStores, WrongSignatureIsSeenButTheMailsAreStillFound) {
  GeneratedStore badMagic = buildStore({"a mail"});
  breakMagic(badMagic);
  GeneratedStore otherKind = buildStore({"a mail"});
  setKind(otherKind, 0x6F74FDC6);
  EXPECT_EQ(dbx::classifySignature(badMagic.bytes), dbx::SignatureKind::NotDbx);
  EXPECT_EQ(dbx::classifySignature(otherKind.bytes), dbx::SignatureKind::OtherKind);
  EXPECT_EQ(dbx::classifySignature(buildStore({"x"}).bytes), dbx::SignatureKind::MessageStore);
  // Opening for conversion does not look at the signature.
  EXPECT_EQ(extractStore(badMagic).mails, std::vector<std::string>{"a mail"});
  EXPECT_EQ(extractStore(otherKind).mails, std::vector<std::string>{"a mail"});
}

TEST(GeneratedStores, HeaderLikePatternInMailTextBecomesAMailOfItsOwn) {
  // A binary part that happens to hold a block header: self offset 60200, used length 6.
  const std::string text = "From: a\r\n\r\nbinary:" + blockLikePattern(60200, 6) + "abcdef and more";
  const GeneratedStore store = buildStore({text});
  const Extraction got = extractStore(store);
  EXPECT_EQ(got.mails, (std::vector<std::string>{text, "abcdef"}));
}

}  // namespace
