#include "log/app_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

using qm::test::readLines;
using qm::test::TempDir;

namespace {

std::string folderOf(const TempDir& dir) { return dir.path() + qm::platform::pathSeparator(); }

TEST(AppLog, StartWritesTheBannerToBothLogsAndAppendsOnTheNextStart) {
  TempDir dir;
  AppLog::startIn(folderOf(dir));
  AppLog::startIn(folderOf(dir));
  for (const char* name : {"ErrorLog.log", "ExecLog.log"}) {
    const auto lines = readLines(dir.file("Log Files") + qm::platform::pathSeparator() + name);
    ASSERT_EQ(lines.size(), 10u) << name;
    const std::string rule(79, '=');
    for (int start : {0, 5}) {
      EXPECT_EQ(lines[start], rule);
      EXPECT_EQ(lines[start + 1], "Last Log On");
      // Plain decimal numbers without leading zeros.
      EXPECT_TRUE(std::regex_match(lines[start + 2], std::regex(R"(Date : [1-9]\d?/[1-9]\d?/\d{4})")))
          << lines[start + 2];
      EXPECT_TRUE(std::regex_match(lines[start + 3],
                                   std::regex(R"(Time : (0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d?))")))
          << lines[start + 3];
      EXPECT_EQ(lines[start + 4], rule);
    }
  }
}

TEST(AppLog, EntryLineHasTheFixedLabelsAndGoesToTheChosenLog) {
  TempDir dir;
  AppLog::startIn(folderOf(dir));
  EXPECT_TRUE(AppLog::write(0, 0, "12 Convertable mails found.", false));
  EXPECT_TRUE(AppLog::write(0, 0, "Error Opening C:\\x.dbx file. \nConvertion fails for this file", true));

  const auto exec = readLines(AppLog::execLogPath());
  ASSERT_EQ(exec.size(), 6u);
  EXPECT_EQ(exec[5], "Code:0  Error:0  MSG:12 Convertable mails found.");

  const auto err = readLines(AppLog::errorLogPath());
  ASSERT_EQ(err.size(), 7u);
  EXPECT_EQ(err[5], "Code:0  Error:0  MSG:Error Opening C:\\x.dbx file. ");
  EXPECT_EQ(err[6], "Convertion fails for this file");
}

TEST(AppLog, WriteFailsQuietlyWhenTheLogFolderIsMissing) {
  TempDir dir;
  AppLog::startIn(folderOf(dir));
  ASSERT_TRUE(qm::platform::deleteFile(AppLog::execLogPath()));
  ASSERT_TRUE(qm::platform::deleteFile(AppLog::errorLogPath()));
  ASSERT_TRUE(qm::platform::removeDirectory(dir.file("Log Files")));
  EXPECT_FALSE(AppLog::write(0, 0, "lost", false));
  EXPECT_FALSE(AppLog::write(0, 0, "lost", true));
}

TEST(AppLog, LinesOfTwoThreadsNeverMix) {
  TempDir dir;
  AppLog::startIn(folderOf(dir));
  const std::string a(300, 'a'), b(300, 'b');
  auto writer = [](const std::string& text) {
    for (int i = 0; i < 300; ++i) AppLog::write(0, 0, text, false);
  };
  std::thread t1(writer, a), t2(writer, b);
  t1.join();
  t2.join();
  const auto lines = readLines(AppLog::execLogPath());
  ASSERT_EQ(lines.size(), 5u + 600u);
  for (std::size_t i = 5; i < lines.size(); ++i) {
    ASSERT_TRUE(lines[i] == "Code:0  Error:0  MSG:" + a || lines[i] == "Code:0  Error:0  MSG:" + b)
        << "line " << i;
  }
}

}  // namespace
