// The compound file writer against our strict reader and python3-olefile, and the reader
// against damaged files: every fault it is built to find is found.
#include <gtest/gtest.h>

#include <cstdlib>

#include "mailstore/cfb/cfb_reader.h"
#include "mailstore/cfb/cfb_writer.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::cfb {
namespace {

std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> v(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  return v;
}

std::vector<std::uint8_t> written(const CfbTree& tree) {
  std::vector<std::uint8_t> out;
  writeCompoundFile(tree, [&](Bytes b) { out.insert(out.end(), b.begin(), b.end()); });
  return out;
}

std::vector<std::string> problemsOf(const std::vector<std::uint8_t>& file) {
  std::vector<std::string> problems;
  checkCompoundFile(file, problems, true);
  return problems;
}

std::u16string name(int i) {
  const std::string s = "stream " + std::to_string(i * 7919 % 1000);
  return std::u16string(s.begin(), s.end());
}

// python3-olefile, strict: the sha-256 of every stream, one "path size sha" line each.
std::string olefileListing(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return {};
#else
  const std::string out = path + ".txt";
  const std::string cmd =
      "python3 -c \"import sys, hashlib\nsys.path.append('/usr/lib/python3/dist-packages')\nimport olefile\n"
      "o = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
      "for e in sorted(o.listdir()):\n  d = o.openstream(e).read()\n"
      "  print('/'.join(e), len(d), hashlib.sha256(d).hexdigest()[:16])\" '" + path + "' > '" + out + "' 2>&1";
  const int status = std::system(cmd.c_str());
  return (status == 0 ? "" : "FAILED ") + qm::test::readFile(out);
#endif
}

TEST(CompoundFile, StreamsOfEverySizeAroundTheLimitsReadBackAndTheTreesAreOrderedRedBlack) {
  CfbTree tree;
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> streams;
  const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 70000};
  int i = 0;
  for (std::size_t size : sizes) {
    const auto data = pattern(size, static_cast<unsigned>(size));
    streams.emplace_back(tree.addStream(CfbTree::kRoot, name(i++), data), data);
  }
  // Storages of 1 to 40 children: every shape of sibling tree up to five levels.
  for (int n = 1; n <= 40; ++n) {
    const std::size_t s = tree.addStorage(CfbTree::kRoot, u"storage " + name(n));
    for (int k = 0; k < n; ++k) tree.addStream(s, name(k), pattern(static_cast<std::size_t>(k), 1));
  }
  const auto file = written(tree);
  EXPECT_EQ(file.size(), compoundFileSize(tree));
  EXPECT_EQ(problemsOf(file), std::vector<std::string>{});

  std::vector<std::string> problems;
  const auto cf = CompoundFile::read(file, problems, true);
  ASSERT_TRUE(cf);
  for (const auto& [entry, data] : streams) EXPECT_EQ(cf->stream(static_cast<std::uint32_t>(entry)), data);
  const auto root = cf->children(0);
  ASSERT_EQ(root.size(), 12u + 40u);
  for (std::size_t k = 1; k < root.size(); ++k) {
    const auto& a = cf->entries()[root[k - 1]].name;
    const auto& b = cf->entries()[root[k]].name;
    EXPECT_LT(compareNames(a.data(), a.size(), b.data(), b.size()), 0);
  }

  qm::test::TempDir dir;
  qm::test::writeFile(dir.file("t.cfb"), file);
  const std::string listing = olefileListing(dir.file("t.cfb"));
  EXPECT_EQ(listing.find("FAILED"), std::string::npos) << listing;
}

TEST(CompoundFile, AStreamNeedingMoreThanTheHeadersTableSectorsGetsADifatChainTheReadersFollow) {
  // 109 table sectors map 109 * 128 sectors, about 7 MB: 9 MB needs a DIFAT sector.
  const auto big = pattern(9 * 1024 * 1024 + 123, 5);
  CfbTree tree;
  tree.addStreamView(CfbTree::kRoot, u"big", big);
  tree.addStream(CfbTree::kRoot, u"small", pattern(100, 6));
  const auto file = written(tree);
  EXPECT_GT(loadLe32(&file[header::kDifatSectorsAt]), 0u);
  EXPECT_EQ(problemsOf(file), std::vector<std::string>{});
  std::vector<std::string> problems;
  const auto cf = CompoundFile::read(file, problems);
  ASSERT_TRUE(cf);
  EXPECT_TRUE(cf->stream(*cf->find(0, u"big")) == big);

  qm::test::TempDir dir;
  qm::test::writeFile(dir.file("big.cfb"), file);
  const std::string listing = olefileListing(dir.file("big.cfb"));
  EXPECT_EQ(listing.find("FAILED"), std::string::npos) << listing;
}

TEST(CompoundFile, TheCheckerFindsSharedLostAndMissizedSectorsAndSiblingsOutOfOrder) {
  CfbTree tree;
  tree.addStream(CfbTree::kRoot, u"a", pattern(5000, 1));
  tree.addStream(CfbTree::kRoot, u"b", pattern(6000, 2));
  tree.addStream(CfbTree::kRoot, u"c", pattern(10, 3));
  const auto good = written(tree);
  ASSERT_EQ(problemsOf(good), std::vector<std::string>{});
  std::vector<std::string> problems;
  const auto cf = CompoundFile::read(good, problems);
  ASSERT_TRUE(cf);
  const std::uint32_t a = *cf->find(0, u"a"), b = *cf->find(0, u"b");
  const std::size_t dirAt = kSectorSize * (1 + loadLe32(&good[header::kFirstDirectorySectorAt]));
  auto entryAt = [&](std::uint32_t e) { return dirAt + e * dirent::kSize; };
  auto fatAt = [&](std::uint32_t sector) { return kSectorSize * (1 + loadLe32(&good[header::kDifatAt])) + 4 * sector; };
  const std::uint32_t aStart = cf->entries()[a].start, bStart = cf->entries()[b].start;

  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const std::vector<Case> cases = {
      {"used twice", [&](auto& f) { storeLe32(&f[entryAt(b) + dirent::kStartSectorAt], aStart); }},
      {"does not match", [&](auto& f) { storeLe64(&f[entryAt(a) + dirent::kStreamSizeAt], 9000); }},
      {"lost", [&](auto& f) {
         // Cut b's chain after its first sector: the rest stays allocated, owned by nothing.
         storeLe32(&f[fatAt(bStart)], ENDOFCHAIN);
       }},
      {"sibling order", [&](auto& f) {
         for (std::size_t k = 0; k < 2; ++k) std::swap(f[entryAt(a) + k], f[entryAt(b) + k]);
       }},
      {"signature", [&](auto& f) { f[0] = 0; }},
      {"outside the file", [&](auto& f) { storeLe32(&f[entryAt(a) + dirent::kStartSectorAt], 0x7FFFFF); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = good;
    c.damage(file);
    const auto found = problemsOf(file);
    bool named = false;
    for (const auto& p : found) named = named || p.find(c.what) != std::string::npos;
    EXPECT_TRUE(named) << ::testing::PrintToString(found);
  }
  // Any cut of the file is survived.
  for (std::size_t cut = 0; cut < good.size(); cut += 97) {
    std::vector<std::uint8_t> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(problemsOf(part).empty());
  }
}

}  // namespace
}  // namespace qm::cfb
