#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

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
  const std::uint64_t far = (std::uint64_t{1} << 32) + 12345;
  ASSERT_TRUE(platform::seekTo(f.get(), far));
  ASSERT_EQ(std::fputc('x', f.get()), 'x');
  ASSERT_TRUE(platform::seekTo(f.get(), far));
  EXPECT_EQ(platform::tellPosition(f.get()), far);
  EXPECT_EQ(std::fgetc(f.get()), 'x');
  f.reset();
  EXPECT_EQ(platform::fileSize(file), far + 1);
}

TEST(PlatformFolders, ExecutableAndTempFoldersEndWithTheSeparator) {
  for (const std::string& folder : {platform::executableFolder(), platform::tempFolder()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), platform::pathSeparator());
    EXPECT_TRUE(platform::isDirectory(folder)) << folder;
  }
}

}  // namespace
