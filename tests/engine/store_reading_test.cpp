// Reading the store: the same mails through one mapping of the whole file, through small
// windows moved along it and through plain reads; a store cut short while it is scanned or
// converted fails mails instead of ending the program; Stop inside the scan; two stores
// converted at once; and the counts the engine offers its callers.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <thread>
#include <tuple>

#include "engine/dbx_file.h"
#include "platform/files.h"
#include "platform/mapped_file.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

using namespace qm::storegen;
using qm::test::TempDir;

namespace {

// The three ways the store is read: one mapping, windows of one mapping unit (each block
// view moves the window now and then), and plain reads.
const std::size_t kReadings[] = {StoreBytes::defaultMappingLimit(), 1, 0};

std::string readingName(std::size_t limit) {
  return limit == 0 ? "plain reads" : limit == 1 ? "small windows" : "one mapping";
}

std::vector<std::string> mailTexts(std::size_t count, std::size_t longest) {
  std::vector<std::string> mails;
  for (std::size_t m = 0; m < count; ++m) {
    std::string text = "From: a" + std::to_string(m) + "@example.org\r\nSubject: " + std::to_string(m) + "\r\n\r\n";
    const std::size_t length = 1 + (m * 7919) % longest;
    for (std::size_t i = 0; text.size() < length; ++i) text += static_cast<char>('a' + (i * 13 + m) % 26);
    mails.push_back(text);
  }
  return mails;
}

TEST(StoreReading, EveryWayOfReadingGivesTheSameMails) {
  const auto mails = mailTexts(60, 9000);
  for (const Layout layout : {Layout::InOrder, Layout::Reversed, Layout::Interleaved, Layout::Spread}) {
    StoreOptions options;
    options.layout = layout;
    const GeneratedStore store = buildStore(mails, options);
    TempDir dir;
    const std::string path = storeFile(dir, "Store.dbx", store.bytes);
    for (const std::size_t limit : kReadings) {
      TempDir out;
      const Extraction got = extractMails(path, out, false, limit);
      EXPECT_EQ(got.mails, mails) << layoutName(layout) << ", " << readingName(limit);
    }
  }
}

// Cuts the file short; false where the system refuses. Windows refuses to shrink a file
// while a view of it is mapped, so there a mapped store cannot shrink under a run.
bool shrink(const std::string& path, std::uint64_t size) {
  std::error_code ec;
  std::filesystem::resize_file(qm::platform::toPath(path), size, ec);
  return !ec;
}

bool shrinkingRefused(std::size_t mappingLimit) {
#ifdef _WIN32
  return mappingLimit != 0;
#else
  (void)mappingLimit;
  return false;
#endif
}

// A host that runs an action when it is polled for the n-th time (the scan polls once a
// chunk, the writer once a block).
class PollingHost : public RecordingHost {
 public:
  bool stopRequested() override {
    if (++calls == atPoll && action) action();
    return stopNow;
  }
  int calls = 0;
  int atPoll = -1;
  std::function<void()> action;
  bool stopNow = false;
};

// A store of 300 mails of up to 20 KB, about 3.5 MB: 35 chunks.
GeneratedStore largeStore() { return buildStore(mailTexts(300, 20000)); }

TEST(StoreReading, StoreCutShortDuringTheRunFailsTheMailsPastTheCut) {
  const GeneratedStore store = largeStore();
  const std::uint64_t cut = store.bytes.size() / 2;
  for (const std::size_t limit : kReadings) {
    TempDir dir, out;
    const std::string path = storeFile(dir, "Shrinks.dbx", store.bytes);
    RecordingHost host;
    DbxFile file(host);
    file.setMappingLimit(limit);
    ASSERT_TRUE(file.open(path));
    std::int32_t count = 0;
    ASSERT_EQ(file.findMails(count), 300);
    if (shrinkingRefused(limit)) {
      EXPECT_FALSE(shrink(path, cut)) << readingName(limit);
      file.close();
      continue;
    }
    ASSERT_TRUE(shrink(path, cut)) << readingName(limit);
    int saved = 0, failed = 0;
    for (std::int32_t m = 0; m < count; ++m) {
      std::string written;
      const bool ok = file.saveMailToEML(out.path(), written, m);
      const auto& blocks = store.plan.mails[static_cast<std::size_t>(m)];
      const bool whole = blocks.back().position + 16 + blocks.back().usedLength <= cut;
      EXPECT_EQ(ok, whole) << readingName(limit) << ", mail " << m;
      if (ok) EXPECT_EQ(qm::test::readFile(written), mailTexts(300, 20000)[static_cast<std::size_t>(m)]);
      else EXPECT_FALSE(qm::platform::fileExists(written)) << "a failed mail leaves no file";
      (ok ? saved : failed) += 1;
    }
    EXPECT_GT(saved, 100) << readingName(limit);
    EXPECT_GT(failed, 100) << readingName(limit);
    file.close();
  }
}

TEST(StoreReading, StoreCutShortDuringTheScanEndsTheScanThere) {
  const GeneratedStore store = largeStore();
  for (const std::size_t limit : kReadings) {
    if (shrinkingRefused(limit)) continue;
    TempDir dir;
    const std::string path = storeFile(dir, "Shrinks.dbx", store.bytes);
    PollingHost host;
    DbxFile file(host);
    file.logEnabled = true;
    file.setMappingLimit(limit);
    ASSERT_TRUE(file.open(path));
    host.atPoll = 5;  // before the fifth chunk, the file loses all but its first 200 KB
    host.action = [&] { EXPECT_TRUE(shrink(path, 200000)); };
    std::int32_t count = 0;
    file.findMails(count);
    EXPECT_GT(count, 0) << readingName(limit);
    // The mapped store ends at the fifth chunk; plain reads still hold the megabyte they
    // read before the cut.
    const std::int64_t end = limit == 0 ? (1 << 20) : 400000;
    EXPECT_LT(file.blockTable.back().position, end) << readingName(limit);
    EXPECT_LT(count, 300) << readingName(limit);
    file.close();
  }
}

TEST(StoreReading, StopDuringTheScanEndsItWithinAChunkAndListsNoMails) {
  const GeneratedStore store = largeStore();
  TempDir dir;
  PollingHost host;
  DbxFile file(host);
  file.logEnabled = true;
  ASSERT_TRUE(file.open(storeFile(dir, "Stopped.dbx", store.bytes)));
  host.atPoll = 3;
  host.action = [&] { host.stopNow = true; };
  std::int32_t count = -1;
  EXPECT_EQ(file.findMails(count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(host.calls, 3);
  std::vector<std::string> chunks;
  for (const auto& line : host.lines(false))
    if (line.rfind("Scanning from offset", 0) == 0) chunks.push_back(line);
  EXPECT_EQ(chunks, (std::vector<std::string>{"Scanning from offset:0 to ReadCount:100000",
                                              "Scanning from offset:99984 to ReadCount:100000"}));
  EXPECT_TRUE(host.hasLine("Search stopped at offset:199968", true));
  EXPECT_FALSE(host.hasLine("Total 0 suspecious object identified", true)) << "no linking after a stop";
  EXPECT_TRUE(file.findings().stopped);
  EXPECT_TRUE(file.mailList.empty());
  file.close();
}

// What a scan leaves: every field of the block table, the mail list, the findings and the
// log lines, in order.
struct ScanResult {
  std::vector<std::tuple<std::int64_t, std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t>> blocks;
  std::vector<std::int32_t> mails;
  std::vector<LogEntry> log;
  bool stopped = false;
};

ScanResult scanWith(const std::string& path, bool twoThreads, int stopAtPoll = -1) {
  PollingHost host;
  host.atPoll = stopAtPoll;
  host.action = [&] { host.stopNow = true; };
  DbxFile file(host);
  file.logEnabled = true;
  file.setParallelScanFrom(twoThreads ? 0 : UINT64_MAX);
  EXPECT_TRUE(file.open(path));
  std::int32_t count = 0;
  file.findMails(count);
  ScanResult r;
  for (const auto& b : file.blockTable)
    r.blocks.emplace_back(b.position, b.selfOffset, b.nextOffset, b.usedLength, b.status, b.next);
  r.mails = file.mailList;
  r.stopped = file.findings().stopped;
  for (const auto& entry : host.log)
    if (entry.text.find("seconds") == std::string::npos) r.log.push_back(entry);
  file.close();
  return r;
}

// Where the second thread's half begins: the chunk start nearest the middle of the file.
std::uint64_t secondHalfAt(std::uint64_t size) { return size / 99984 / 2 * 99984; }
std::uint64_t secondHalfAt(const GeneratedStore& store) { return secondHalfAt(store.bytes.size()); }

// A first block offset that puts one block of the in-order store one byte before the second
// half, where the second thread needs the byte in front of its first chunk.
std::uint64_t firstBlockAcrossTheMiddle(const std::vector<std::string>& mails) {
  std::vector<std::size_t> lengths;
  for (const auto& m : mails) lengths.push_back(m.size());
  for (std::uint64_t first = 60116; first < 60116 + 4 * 528; ++first) {
    StoreOptions options;
    options.firstBlock = first;
    const StorePlan plan = planStore(lengths, options);
    for (const auto& chain : plan.mails)
      for (const auto& b : chain)
        if (b.position + 1 == secondHalfAt(plan.size)) return first;
  }
  ADD_FAILURE() << "no offset puts a block across the middle";
  return 60116;
}

// A large store is searched by two threads, each through half of it. The halves meet at a
// chunk's start, so together they find exactly what one thread finds, in the same order, and
// log the same lines; damage on either side of the middle included.
TEST(StoreReading, TwoThreadsFindWhatOneFinds) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: the scan keeps to one thread";
  const auto mails = mailTexts(300, 20000);
  for (const Layout layout : {Layout::InOrder, Layout::Reversed, Layout::Interleaved, Layout::Spread}) {
    StoreOptions options;
    options.layout = layout;
    if (layout == Layout::InOrder) options.firstBlock = firstBlockAcrossTheMiddle(mails);
    GeneratedStore store = buildStore(mails, options);
    cutChainAt(store, 10, 1);
    cutChainAt(store, 290, 2);
    TempDir dir;
    const std::string path = storeFile(dir, "Store.dbx", store.bytes);
    const ScanResult one = scanWith(path, false), two = scanWith(path, true);
    EXPECT_GT(one.mails.size(), 250u) << layoutName(layout);
    if (layout == Layout::InOrder) {
      EXPECT_EQ(std::count_if(one.blocks.begin(), one.blocks.end(),
                              [&](const auto& b) { return static_cast<std::uint64_t>(std::get<0>(b)) + 1 == secondHalfAt(store); }),
                1)
          << "a block begins one byte before the second half: its self offset reaches back into the first";
    }
    EXPECT_EQ(two.blocks, one.blocks) << layoutName(layout);
    EXPECT_EQ(two.mails, one.mails) << layoutName(layout);
    EXPECT_EQ(two.log, one.log) << layoutName(layout);
  }
}

// Stop, asked while the first thread is in its half: the second half is dropped, and no mail
// is listed. Asked right after it, while the second half may still be searched: the scan
// either ends there as stopped or has finished with every block.
TEST(StoreReading, StopEndsATwoThreadScan) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: the scan keeps to one thread";
  TempDir dir;
  const std::string path = storeFile(dir, "Stopped.dbx", largeStore().bytes);
  const ScanResult whole = scanWith(path, false);
  int firstHalf = 0;  // the chunks of the first thread: one stop check each
  for (const auto& entry : scanWith(path, true).log) firstHalf += entry.text.rfind("Scanning from", 0) == 0 ? 1 : 0;
  firstHalf /= 2;
  for (const int poll : {3, firstHalf + 1}) {
    const ScanResult r = scanWith(path, true, poll);
    int stops = 0;
    for (const auto& entry : r.log) stops += entry.text.rfind("Search stopped at offset:", 0) == 0 ? 1 : 0;
    if (poll == 3 || r.stopped) {
      EXPECT_TRUE(r.stopped) << poll;
      EXPECT_TRUE(r.mails.empty()) << poll;
      EXPECT_EQ(stops, 1) << poll;
    } else {
      EXPECT_EQ(r.blocks, whole.blocks);
    }
  }
}

TEST(StoreReading, TwoStoresConvertAtOnceOnTwoThreads) {
  const auto first = mailTexts(200, 12000), second = mailTexts(150, 30000);
  StoreOptions reversed;
  reversed.layout = Layout::Reversed;
  TempDir dir;
  const std::string a = storeFile(dir, "A.dbx", buildStore(first).bytes);
  const std::string b = storeFile(dir, "B.dbx", buildStore(second, reversed).bytes);
  TempDir outA, outB;
  Extraction gotA, gotB;
  std::thread one([&] {
    for (int round = 0; round < 3; ++round) gotA = extractMails(a, outA);
  });
  std::thread two([&] {
    for (int round = 0; round < 3; ++round) gotB = extractMails(b, outB);
  });
  one.join();
  two.join();
  EXPECT_EQ(gotA.mails, first);
  EXPECT_EQ(gotB.mails, second);
}

TEST(StoreFindings, CountTheDamageMetOnTheWay) {
  GeneratedStore store = buildStore({"one", std::string(2000, 'b'), "three", std::string(1500, 'd')});
  cutChainAt(store, 1, 2);  // mail 1's head is dropped, its tail kept as a mail of its own
  TempDir dir;
  RecordingHost host;
  DbxFile file(host);
  ASSERT_TRUE(file.open(storeFile(dir, "Damaged.dbx", store.bytes)));
  std::int32_t count = 0;
  file.findMails(count);
  const StoreFindings found = file.findings();
  EXPECT_EQ(found.blocks, 8);          // 1 + 3 of mail 1's 4 (one wiped) + 1 + 3
  EXPECT_EQ(found.mails, 4);           // one, the tail of mail 1, three, mail 3
  EXPECT_EQ(found.incompleteChains, 1);
  EXPECT_EQ(found.strayBlocks, 2);     // the dropped head's two blocks
  EXPECT_EQ(found.notMailStarts, 0);
  EXPECT_EQ(found.fileSize, store.bytes.size());
  EXPECT_GE(found.scanSeconds, 0.0);
  file.recoveryMode = true;
  std::string out;
  EXPECT_FALSE(file.saveMailToEML(dir.path(), out, 0));  // "one" has no mail header
  EXPECT_EQ(file.findings().headerless, 1);
  file.close();
}

}  // namespace
