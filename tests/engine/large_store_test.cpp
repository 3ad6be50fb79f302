// Stores larger than the 32-bit offsets reach: a store of 4.2 GiB on 64-bit builds (3.9 GB on
// 32-bit ones, whose address space takes no mapping of that size) converts in full, read
// through one mapping, through the 64 MiB windows of the 32-bit builds, and through plain
// reads. Slow: it writes over a gigabyte of mail and converts it three times, so it is in
// the group labelled "slow" that the everyday run leaves out.
//
// The store's stored offsets are 32-bit: past 4 GiB they wrap around. Its mails lie in two
// regions: one from 256 MiB whose blocks store their own positions, and one at the end whose
// blocks (past 4 GiB on 64-bit builds) store their positions less 4 GiB, which lands them
// below the first region, so that no two blocks share a stored offset. Between the regions
// the file is a hole of zeros.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/dbx_file.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

using qm::test::TempDir;
namespace storegen = qm::storegen;

namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr bool k64Bit = sizeof(void*) >= 8;
// Where each region's mails go, how much text they hold, and what their blocks store.
struct Region {
  std::uint64_t start;
  std::uint64_t textBytes;
  std::int64_t shift;  // stored offset = position + shift
};
const Region kRegions[] = {
    {256 * kMiB, 960 * kMiB, 0},
    k64Bit ? Region{(4096 * kMiB) + 60116, 200 * kMiB, -static_cast<std::int64_t>(4096 * kMiB)}
           : Region{3700'000'000ull, 190'000'000ull, 0},
};

std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  return x ^ (x >> 27);
}

// Mail m of region r: a header naming it, then text that differs from mail to mail.
std::string mailText(std::size_t r, std::size_t m) {
  const std::uint64_t k = mix(r * 1000003 + m);
  const std::size_t length = k % 16 == 0 ? 60000 + k % 200000 : 300 + k % 12000;
  std::string text = "From: region" + std::to_string(r) + "@example.org\r\nSubject: mail " + std::to_string(m) + "\r\n\r\n";
  for (std::size_t i = 0; text.size() < length; ++i) text += static_cast<char>('a' + (k >> (i % 40)) % 26);
  text.resize(length);
  return text;
}

std::vector<std::size_t> regionLengths(std::size_t r) {
  std::vector<std::size_t> lengths;
  for (std::uint64_t total = 0; total < kRegions[r].textBytes;) {
    lengths.push_back(mailText(r, lengths.size()).size());
    total += lengths.back();
  }
  return lengths;
}

// Writes the store block by block; the stretches between the regions are left as holes.
void writeStore(const std::string& path, const std::vector<std::vector<std::size_t>>& lengths) {
  std::unique_ptr<std::FILE, qm::platform::FileCloser> out(qm::platform::openFile(path, "wb"));
  ASSERT_TRUE(out);
  std::uint8_t signature[8];
  qm::storeLe32(signature, 0xFE12ADCF);
  qm::storeLe32(signature + 4, 0x6F74FDC5);
  std::fwrite(signature, 1, sizeof signature, out.get());
  std::vector<std::uint8_t> block(528);
  std::uint64_t end = 0;
  for (std::size_t r = 0; r < lengths.size(); ++r) {
    storegen::StoreOptions options;
    options.firstBlock = kRegions[r].start;
    options.selfOffsetShift = kRegions[r].shift;
    const storegen::StorePlan plan = storegen::planStore(lengths[r], options);
    ASSERT_TRUE(qm::platform::seekTo(out.get(), kRegions[r].start));
    for (std::size_t m = 0; m < plan.mails.size(); ++m) {
      const std::string text = mailText(r, m);
      for (std::size_t k = 0; k < plan.mails[m].size(); ++k) {
        const storegen::PlacedBlock& b = plan.mails[m][k];
        std::fill(block.begin(), block.end(), 0);
        qm::storeLe32(block.data(), b.selfOffset);
        qm::storeLe32(block.data() + 4, 512);
        qm::storeLe32(block.data() + 8, b.usedLength);
        qm::storeLe32(block.data() + 12, b.nextOffset);
        std::copy_n(text.data() + k * 512, b.usedLength, block.data() + 16);
        ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), out.get()), block.size());
      }
    }
    end = plan.size;
  }
  ASSERT_EQ(std::fflush(out.get()), 0);
  ASSERT_EQ(qm::platform::tellPosition(out.get()), end);
}

class LargeStore : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    lengths_ = {regionLengths(0), regionLengths(1)};
    path_ = dir_->file("Large.dbx");
    writeStore(path_, lengths_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // Converts every mail and compares it with its text, deleting each file once checked.
  void convertsInFull(std::size_t mappingLimit) {
    RecordingHost host;
    DbxFile store(host);
    store.setMappingLimit(mappingLimit);
    ASSERT_TRUE(store.open(path_));
    std::int32_t count = 0;
    store.findMails(count);
    ASSERT_EQ(static_cast<std::size_t>(count), lengths_[0].size() + lengths_[1].size());
    EXPECT_EQ(store.findings().strayBlocks, 0);
    EXPECT_GT(static_cast<std::uint64_t>(store.fileSize), k64Bit ? 4096 * kMiB : 3'800'000'000ull);
    TempDir out;
    for (std::int32_t m = 0; m < count; ++m) {
      const std::size_t r = static_cast<std::size_t>(m) < lengths_[0].size() ? 0 : 1;
      const std::size_t inRegion = r == 0 ? static_cast<std::size_t>(m) : static_cast<std::size_t>(m) - lengths_[0].size();
      std::string written;
      ASSERT_TRUE(store.saveMailToEML(out.path(), written, m)) << "mail " << m;
      ASSERT_EQ(qm::test::readFile(written), mailText(r, inRegion)) << "mail " << m;
      qm::platform::deleteFile(written);
    }
    store.close();
  }

  static TempDir* dir_;
  static std::vector<std::vector<std::size_t>> lengths_;
  static std::string path_;
};

TempDir* LargeStore::dir_ = nullptr;
std::vector<std::vector<std::size_t>> LargeStore::lengths_;
std::string LargeStore::path_;

TEST_F(LargeStore, ConvertsInFullThroughOneMapping) { convertsInFull(StoreBytes::defaultMappingLimit()); }
TEST_F(LargeStore, ConvertsInFullThroughWindowsOf64MiB) { convertsInFull(64 * kMiB); }
TEST_F(LargeStore, ConvertsInFullThroughPlainReads) { convertsInFull(0); }

}  // namespace
