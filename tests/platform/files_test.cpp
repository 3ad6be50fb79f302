#include "platform/files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "platform/time_win.h"
#endif

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

using qm::test::TempDir;
namespace platform = qm::platform;

namespace {

TEST(PlatformFiles, LocalisedNamesCanBeCreatedListedReadAndRemoved) {
  TempDir dir;
  const std::string folder = dir.file("Boîte de réception");
  ASSERT_TRUE(platform::createDirectory(folder));
  EXPECT_FALSE(platform::createDirectory(folder)) << "an existing folder is reported as not made";
  const std::string file = folder + platform::pathSeparator() + "Входящие.dbx";
  qm::test::writeFile(file, std::string("abc"));

  EXPECT_EQ(platform::fileSize(file), 3u);
  EXPECT_TRUE(platform::fileExists(file));
  EXPECT_TRUE(platform::fileCreationTime(file).has_value());
  const auto entries = platform::listDirectory(folder);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Входящие.dbx");
  EXPECT_FALSE(entries[0].isDirectory);

  EXPECT_FALSE(platform::removeDirectory(folder)) << "a folder with a file in it stays";
  EXPECT_TRUE(platform::deleteFile(file));
  EXPECT_TRUE(platform::removeDirectory(folder));
  EXPECT_FALSE(platform::fileSize(file).has_value());
}

TEST(PlatformFiles, CreateDirectoryMakesOneLevelOnly) {
  TempDir dir;
  const std::string deep = dir.file("a") + platform::pathSeparator() + "b";
  EXPECT_FALSE(platform::createDirectory(deep));
  EXPECT_FALSE(platform::isDirectory(deep));
}

TEST(PlatformFiles, SeeksAndTellsPastFourGigabytesInASparseFile) {
  TempDir dir;
  const std::string file = dir.file("big.bin");
  std::unique_ptr<std::FILE, platform::FileCloser> f(platform::openFile(file, "w+b"));
  ASSERT_TRUE(f);
  const std::uint64_t past4G = (std::uint64_t{1} << 32) + 12345;
  ASSERT_TRUE(platform::seekTo(f.get(), past4G));
  ASSERT_EQ(std::fputc('x', f.get()), 'x');
  ASSERT_TRUE(platform::seekTo(f.get(), past4G));
  EXPECT_EQ(platform::tellPosition(f.get()), past4G);
  EXPECT_EQ(std::fgetc(f.get()), 'x');
  f.reset();
  EXPECT_EQ(platform::fileSize(file), past4G + 1);
}

#ifdef _WIN32
// Each date is shown with the offset its own season has, not today's. The test run sets the
// zone to Central European time (CMake); elsewhere the test has nothing to tell apart. (Wine
// cannot set a file's creation time, so the conversion is tested on its own.)
TEST(PlatformFiles, CreationTimesKeepTheDaylightSavingOffsetOfTheirOwnDate) {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != -60 || zone.DaylightBias != -60)
    GTEST_SKIP() << "the zone is not Central European time";
  const auto local = [](WORD year, WORD month, WORD day) {
    const SYSTEMTIME utc{year, month, 0, day, 12, 0, 0, 0};
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&utc, &ft));
    const auto t = platform::localTimeOf(static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime);
    return t ? std::vector<int>{t->year, t->month, t->day, t->hour, t->minute} : std::vector<int>{};
  };
  EXPECT_EQ(local(2008, 7, 1), (std::vector<int>{2008, 7, 1, 14, 0}));
  EXPECT_EQ(local(2008, 1, 2), (std::vector<int>{2008, 1, 2, 13, 0}));
  EXPECT_EQ(local(2010, 3, 28), (std::vector<int>{2010, 3, 28, 14, 0})) << "the day the clocks go forward";
}
#endif

TEST(PlatformFolders, ExecutableAndTempFoldersEndWithTheSeparator) {
  for (const std::string& folder : {platform::executableFolder(), platform::tempFolder()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), platform::pathSeparator());
    EXPECT_TRUE(platform::isDirectory(folder)) << folder;
  }
}

}  // namespace
