#include "platform/files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
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
// zone to Central European time (CMake); elsewhere the test has nothing to tell apart.
TEST(PlatformFiles, CreationTimesKeepTheDaylightSavingOffsetOfTheirOwnDate) {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != -60 || zone.DaylightBias != -60)
    GTEST_SKIP() << "the zone is not Central European time";
  TempDir dir;
  const std::string file = dir.file("Inbox.dbx");
  qm::test::writeFile(file, std::string("x"));
  const auto createdAt = [&](WORD year, WORD month, WORD day) {
    const SYSTEMTIME utc{year, month, 0, day, 12, 0, 0, 0};
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&utc, &ft));
    HANDLE h = CreateFileW(platform::toPath(file).wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, &ft, nullptr, nullptr));
    CloseHandle(h);
    return platform::fileCreationTime(file);
  };
  const auto summer = createdAt(2008, 7, 1);
  ASSERT_TRUE(summer);
  EXPECT_EQ((std::vector<int>{summer->year, summer->month, summer->day, summer->hour, summer->minute}),
            (std::vector<int>{2008, 7, 1, 14, 0}));
  const auto winter = createdAt(2008, 1, 2);
  ASSERT_TRUE(winter);
  EXPECT_EQ((std::vector<int>{winter->year, winter->month, winter->day, winter->hour, winter->minute}),
            (std::vector<int>{2008, 1, 2, 13, 0}));
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
