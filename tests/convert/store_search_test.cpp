#include "convert/store_search.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/files.h"
#include "platform/safe_files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::convert {
namespace {

using test::TempDir;
const std::string sep(1, platform::pathSeparator());

// root: a.dbx, UPPER.DBX and the four bookkeeping stores, plus a text file;
// root/sub1: b.dbx, recycler/r.dbx (lower case: walked), deep/d.dbx;
// root/sub2: c.dbx, folders.dbx (lower case: listed); root/RECYCLER: x.dbx (skipped).
class StoreTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"sub1", "sub1/recycler", "sub1/deep", "sub2", "RECYCLER"})
      ASSERT_TRUE(platform::createDirectory(path(folder)));
    for (const char* file : {"a.dbx", "UPPER.DBX", "Folders.dbx", "Pop3uidl.dbx", "Offline.dbx",
                             "Local Folders.dbx", "notes.txt", "sub1/b.dbx", "sub1/recycler/r.dbx",
                             "sub1/deep/d.dbx", "sub2/c.dbx", "sub2/folders.dbx", "RECYCLER/x.dbx"})
      test::writeFile(path(file), std::string("x"));
  }
  std::string path(std::string relative) const {
    std::replace(relative.begin(), relative.end(), '/', platform::pathSeparator());
    return dir.file(relative);
  }
  // Found stores by their path below the root, with '/' separators, in the walk's order.
  std::vector<std::string> walk(StoreSearch search = {}) {
    std::vector<std::string> found;
    search.storeFound = [&](const std::string& full, const std::string& name) {
      std::string relative = full.substr(dir.path().size() + 1);
      std::replace(relative.begin(), relative.end(), platform::pathSeparator(), '/');
      EXPECT_EQ(relative.substr(relative.find_last_of('/') + 1), name);
      found.push_back(relative);
    };
    completed = searchStores(dir.path(), search);
    return found;
  }
  static std::map<std::string, int> levels(const std::vector<std::string>& found) {
    std::map<std::string, int> level;
    for (const auto& f : found) level[f] = static_cast<int>(std::count(f.begin(), f.end(), '/'));
    return level;
  }

  TempDir dir;
  bool completed = false;
};

TEST_F(StoreTree, FindsEveryStoreBreadthFirstLeavingOutBookkeepingAndRecycler) {
  const auto found = walk();
  EXPECT_TRUE(completed);
  std::vector<std::string> sorted = found;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"UPPER.DBX", "a.dbx", "sub1/b.dbx", "sub1/deep/d.dbx",
                                              "sub1/recycler/r.dbx", "sub2/c.dbx", "sub2/folders.dbx"}));
  const auto level = levels(found);
  for (std::size_t i = 1; i < found.size(); ++i)
    EXPECT_LE(level.at(found[i - 1]), level.at(found[i])) << "breadth first: " << found[i];
}

TEST_F(StoreTree, ReportsEveryFolderAndEveryDbxEntryItLooksAt) {
  std::vector<std::string> folders, entries;
  StoreSearch search;
  search.folderExamined = [&](const std::string& f) { folders.push_back(f); };
  search.entryExamined = [&](const std::string& e) { entries.push_back(e); };
  walk(search);
  EXPECT_EQ(folders.size(), 5u) << "the root and four folders below it, RECYCLER left out";
  EXPECT_EQ(folders.front(), dir.path());
  EXPECT_EQ(entries.size(), 11u) << "bookkeeping stores are looked at, then skipped";
}

TEST_F(StoreTree, StopsAtTheNextEntryOnceCancelled) {
  int seen = 0;
  StoreSearch search;
  search.cancelled = [&] { return seen >= 2; };
  search.entryExamined = [&](const std::string&) { ++seen; };
  const auto found = walk(search);
  EXPECT_FALSE(completed);
  EXPECT_LE(found.size(), 2u);
  EXPECT_EQ(seen, 2);
}

TEST(StoreSearch, AStartFolderThatCannotBeListedFindsNothing) {
  TempDir dir;
  int found = 0;
  StoreSearch search;
  search.storeFound = [&](const std::string&, const std::string&) { ++found; };
  EXPECT_TRUE(searchStores(dir.file("absent"), search));
  EXPECT_EQ(found, 0);
}

// A folder link to `target`: a symbolic link, on Windows a directory link (a reparse point,
// as junctions are too). False where the system does not let the test make one.
bool makeFolderLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  const std::wstring from = platform::toPath(link).wstring();
  const std::wstring to = platform::toPath(target).wstring();
  return CreateSymbolicLinkW(from.c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged) ||
         CreateSymbolicLinkW(from.c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
#else
  std::error_code ec;
  std::filesystem::create_directory_symlink(platform::toPath(target), platform::toPath(link), ec);
  return !ec;
#endif
}

TEST_F(StoreTree, DoesNotFollowALinkBackUpTheTree) {
  // Some systems (Wine among them) report a link made but cannot walk through it.
  if (!makeFolderLink(dir.path(), path("sub2/loop")) || !platform::isDirectory(path("sub2/loop")))
    GTEST_SKIP() << "no folder link can be made here";
  EXPECT_TRUE(platform::isLink(path("sub2/loop")));
  EXPECT_FALSE(platform::isLink(path("sub2")));
  EXPECT_EQ(walk().size(), 7u);
}

}  // namespace
}  // namespace qm::convert
