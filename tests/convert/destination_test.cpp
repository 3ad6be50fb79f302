#include "convert/destination.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::convert {
namespace {

using test::TempDir;
const std::string sep(1, platform::pathSeparator());

TEST(StampedDestination, NameCarriesUtcDateAndLocalTime) {
  // 00:30 local on 8 March, two hours east of UTC: the UTC date is still the 7th.
  EXPECT_EQ(stampedFolderName(platform::Stamp{7, 3, 2010, 0, 30, 0}),
            "Tarnwick_Converted_DBX_(DATE=3-7-2010)_(TIME=0hr.30m.0s)");
  EXPECT_EQ(stampedDestination("Mail", platform::Stamp{7, 3, 2010, 14, 5, 9}),
            "Mail" + sep + "Tarnwick_Converted_DBX_(DATE=3-7-2010)_(TIME=14hr.5m.9s)");
}

TEST(StampedDestination, DriveRootGetsNoSecondSeparator) {
  const platform::Stamp stamp{1, 2, 2003, 4, 5, 6};
  EXPECT_EQ(stampedDestination("E:" + sep, stamp),
            "E:" + sep + "Tarnwick_Converted_DBX_(DATE=2-1-2003)_(TIME=4hr.5m.6s)");
}

TEST(StampedDestination, IsMadeInsideTheChosenFolder) {
  TempDir dir;
  const std::string destination = dir.file("made");
  EXPECT_TRUE(prepareDestination(destination));
  EXPECT_TRUE(platform::isDirectory(destination));
}

TEST(StampedDestination, SecondBrowseInTheSameSecondKeepsTheEarlierRunsOutput) {
  TempDir dir;
  const std::string destination = dir.file("same second");
  ASSERT_TRUE(platform::createDirectory(destination));
  const std::string earlierRun = destination + sep + "1_Converted_Inbox_As_EML";
  ASSERT_TRUE(platform::createDirectory(earlierRun));
  test::writeFile(earlierRun + sep + "Inbox_000001.eml", std::string("From: a\r\n\r\nbody"));
  test::writeFile(destination + sep + "stray.txt", std::string("x"));

  EXPECT_TRUE(prepareDestination(destination));
  EXPECT_EQ(test::readFile(destination + sep + "stray.txt"), "x") << "no run of ours wrote it";
  EXPECT_EQ(test::readFile(earlierRun + sep + "Inbox_000001.eml"), "From: a\r\n\r\nbody");
}

TEST(StampedDestination, ReportsAFolderThatCannotBeMade) {
  TempDir dir;
  EXPECT_FALSE(prepareDestination(dir.file("missing") + sep + "deeper"));
  EXPECT_EQ(makeNewFolder(dir.file("missing") + sep + "deeper"), std::nullopt);
}

// Two command-line runs in the same second never share their stamped folder.
TEST(StampedDestination, ANewFolderNeverReusesOneThatExists) {
  TempDir dir;
  const std::string wanted = dir.file("stamped");
  EXPECT_EQ(makeNewFolder(wanted), wanted);
  EXPECT_EQ(makeNewFolder(wanted), wanted + "_2");
  test::writeFile(wanted + "_3", std::string("a file in the way"));
  EXPECT_EQ(makeNewFolder(wanted), wanted + "_4");
}

}  // namespace
}  // namespace qm::convert
