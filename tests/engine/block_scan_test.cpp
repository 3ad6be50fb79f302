// The block scan: which header patterns count as blocks, what the chunk edges hide, and the
// scan's log lines. A plain position-by-position transcription of the chunked scan is the
// yardstick for the engine's jumping search on random files.
#include <gtest/gtest.h>

#include <random>

#include "engine/dbx_file.h"
#include "engine/log_text.h"
#include "platform/bytes.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/storegen/store_generator.h"

using qm::storegen::writeBlockHeader;
using qm::test::TempDir;

namespace {

struct ScanResult {
  std::vector<std::int64_t> positions;
  std::vector<std::string> execLines;
};

ScanResult scanFile(const std::vector<std::uint8_t>& bytes) {
  TempDir dir;
  const std::string path = storeFile(dir, "Scan.dbx", bytes);
  RecordingHost host;
  DbxFile store(host);
  store.logEnabled = true;
  EXPECT_TRUE(store.open(path));
  host.log.clear();
  store.scanBlocks();
  ScanResult result;
  for (const auto& r : store.blockTable) result.positions.push_back(r.position);
  result.execLines = host.lines(false);
  EXPECT_EQ(store.blockCount, static_cast<std::int32_t>(result.positions.size()));
  store.close();
  return result;
}

std::vector<std::uint8_t> zeros(std::size_t size) { return std::vector<std::uint8_t>(size, 0); }

TEST(BlockScan, AcceptsOnlyHeadersThatKeepTheBlockRules) {
  auto bytes = zeros(80000);
  writeBlockHeader(bytes, 61000, 60115, 10, 0);     // self offset too small
  writeBlockHeader(bytes, 61100, 60116, 10, 0);     // smallest self offset
  writeBlockHeader(bytes, 61200, 60116, 300, 70000);  // a successor after a part-filled block
  writeBlockHeader(bytes, 61300, 60116, 300, 0);    // last block of a mail
  writeBlockHeader(bytes, 61400, 61400, 512, 0);    // full last block
  writeBlockHeader(bytes, 61500, 61500, 512, 80000);  // successor at the file's size
  writeBlockHeader(bytes, 61600, 61600, 512, 79999);  // successor just inside
  writeBlockHeader(bytes, 61700, 61700, 512, 60115);  // successor offset too small
  writeBlockHeader(bytes, 61800, 61800, 0, 0);      // no text
  writeBlockHeader(bytes, 61900, 61900, 513, 0);    // more text than the data area holds
  writeBlockHeader(bytes, 62000, 62000, 1, 0);
  const std::vector<std::int64_t> expected = {61100, 61300, 61400, 61600, 62000};
  EXPECT_EQ(scanFile(bytes).positions, expected);
}

TEST(BlockScan, FirstChunkNeedsFourBytesBeforeTheSizeField) {
  auto atZero = zeros(2000);
  writeBlockHeader(atZero, 0, 60116, 5, 0);
  EXPECT_TRUE(scanFile(atZero).positions.empty());
  auto atOne = zeros(2000);
  writeBlockHeader(atOne, 1, 60116, 5, 0);
  EXPECT_EQ(scanFile(atOne).positions, std::vector<std::int64_t>{1});
}

TEST(BlockScan, FilesSmallerThanFourteenBytesHoldNoBlock) {
  auto tiny = zeros(13);
  qm::storeLe32(tiny.data() + 4, 512);
  const ScanResult r = scanFile(tiny);
  EXPECT_TRUE(r.positions.empty());
  const std::vector<std::string> expected = {"Advance Search Initialized", "Scanning from offset:0 to ReadCount:13",
                                             "0 Normal object found"};
  EXPECT_EQ(r.execLines, expected);
}

TEST(BlockScan, ChunksOverlapBySixteenBytes) {
  const ScanResult r = scanFile(zeros(250000));
  const std::vector<std::string> expected = {
      "Advance Search Initialized", "Scanning from offset:0 to ReadCount:100000",
      "Scanning from offset:99984 to ReadCount:100000", "Scanning from offset:199968 to ReadCount:50032",
      "0 Normal object found"};
  EXPECT_EQ(r.execLines, expected);
}

TEST(BlockScan, FileOfExactlyOneChunkIsReadAgainFromItsLastSixteenBytes) {
  const ScanResult r = scanFile(zeros(100000));
  const std::vector<std::string> expected = {"Advance Search Initialized", "Scanning from offset:0 to ReadCount:100000",
                                             "Scanning from offset:99984 to ReadCount:16", "0 Normal object found"};
  EXPECT_EQ(r.execLines, expected);
}

// Blocks around a later chunk's start, including the two whose size field lies beyond the
// earlier chunk's last tested position and within the later chunk's first five bytes, are
// each found exactly once.
TEST(BlockScan, BlocksAtChunkStartsAreFoundExactlyOnce) {
  for (const std::int64_t start : {99981, 99982, 99983, 99984, 99985, 199966, 199967, 199968, 199969}) {
    auto bytes = zeros(250000);
    // A self offset whose low byte lies in front of the later chunk for the block at 99983.
    writeBlockHeader(bytes, static_cast<std::uint64_t>(start), 0x0001EAD7, 40, 0);
    EXPECT_EQ(scanFile(bytes).positions, std::vector<std::int64_t>{start}) << "block at " << start;
  }
}

// A self offset below the smallest one is still refused at a chunk start, where the byte in
// front of the chunk is the lowest byte of the value.
TEST(BlockScan, SelfOffsetReachingBackIntoTheEarlierChunkIsReadWhole) {
  auto bytes = zeros(250000);
  writeBlockHeader(bytes, 99983, 60115, 40, 0);
  EXPECT_TRUE(scanFile(bytes).positions.empty());
  bytes[99983] = 0xD4;  // 60116: 0x0000EAD4
  EXPECT_EQ(scanFile(bytes).positions, std::vector<std::int64_t>{99983});
}

// The chunked scan tested one position after another, as the yardstick: in a later chunk
// positions 0 to 2 were tested in the chunk before, and from position 3 on the value in
// front of the size field is read from the file.
std::vector<std::int64_t> referenceScan(const std::vector<std::uint8_t>& file, std::vector<std::string>& lines) {
  std::vector<std::int64_t> found;
  const std::size_t chunk = 100000;
  std::size_t at = 0;
  std::int64_t base = 0;
  std::size_t last = 0;
  for (;;) {
    if (last == chunk) at -= 16;
    const std::size_t n = std::min(chunk, file.size() - at);
    last = n;
    if (n == 0) break;
    const std::uint8_t* c = file.data() + at;
    const bool later = base > 0;
    at += n;
    lines.push_back(formatLogText("Scanning from offset:%d to ReadCount:%d", {base, n}));
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(n) - 13; ++i) {
      if (qm::loadLe32(c + i) != 512) continue;
      const std::uint32_t before = i > 4 || (later && i >= 3) ? qm::loadLe32(c + i - 4) : 1;
      const std::uint32_t used = qm::loadLe32(c + i + 4);
      const std::uint32_t next = qm::loadLe32(c + i + 8);
      if (before >= 60116 && used >= 1 && used <= 512 &&
          (next == 0 || (used == 512 && next >= 60116 && next < file.size())))
        found.push_back(base + i - 4);
    }
    base += static_cast<std::int64_t>(n) - 16;
  }
  return found;
}

TEST(BlockScan, JumpingSearchFindsWhatTheByteByByteScanFinds) {
  std::mt19937 random(20060314);
  for (int round = 0; round < 40; ++round) {
    const std::size_t size = 1000 + random() % 320000;
    std::vector<std::uint8_t> bytes(size);
    // Bytes rich in 00 and 02, so that near-misses are everywhere.
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : (random() % 3 == 0 ? 2 : 0));
    const int planted = 200 + static_cast<int>(random() % 200);
    for (int k = 0; k < planted; ++k) {
      std::uint64_t pos = random() % (size > 16 ? size - 16 : 1);
      if (k % 3 == 0) pos = 99984 * (1 + random() % 3) + random() % 24 - 12;  // near chunk starts
      if (pos + 16 > size) continue;
      const std::uint32_t used = random() % 2 ? 512 : 1 + random() % 520;
      const std::uint32_t next = random() % 2 ? 0 : 60000 + random() % static_cast<std::uint32_t>(size);
      writeBlockHeader(bytes, pos, 60100 + random() % 40000, used, next);
    }
    std::vector<std::string> expectedLines;
    const auto expected = referenceScan(bytes, expectedLines);
    const ScanResult r = scanFile(bytes);
    ASSERT_EQ(r.positions, expected) << "round " << round;
    ASSERT_EQ(std::vector<std::string>(r.execLines.begin() + 1, r.execLines.end() - 1), expectedLines);
  }
}

}  // namespace
