// The three settings of the File menu: check marks, members, config.ini bytes and the
// change lines in the execution log.
#include <regex>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/ui/window_fixture.h"

namespace qm::test {
namespace {

using Settings = WindowTest;

TEST_F(Settings, RecoveryClickWritesTheFileAndSurvivesARestart) {
  openWindow();
  menu(IDM_FILE_RECOVERY);
  EXPECT_TRUE(menuChecked(IDM_FILE_RECOVERY));
  EXPECT_TRUE(dialog->recoveryMode);
  EXPECT_EQ(readFile(dir.file("config.ini")), "Log = 0\r\nRecovery = 1\r\nCustomize = 0\r\n");

  closeWindowObject();
  openWindow();
  EXPECT_TRUE(dialog->recoveryMode);
  EXPECT_TRUE(menuChecked(IDM_FILE_RECOVERY));
  EXPECT_FALSE(menuChecked(IDM_FILE_LOG));

  menu(IDM_FILE_CUSTOMIZE);
  EXPECT_EQ(readFile(dir.file("config.ini")), "Log = 0\r\nRecovery = 1\r\nCustomize = 1\r\n");
  menu(IDM_FILE_CUSTOMIZE);
  EXPECT_EQ(readFile(dir.file("config.ini")), "Log = 0\r\nRecovery = 1\r\nCustomize = 0\r\n");
  EXPECT_FALSE(dialog->customizeNames);
}

TEST_F(Settings, SwitchingLogOffIsTheLastLine) {
  writeSettings(true, false, false);
  openWindow();
  menu(IDM_FILE_LOG);
  EXPECT_FALSE(dialog->logEnabled);
  add(storeCopy("Inbox.dbx"));  // writes no line now
  const auto log = execLog();
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(std::regex_match(log.back(), std::regex(R"(File Logging Disabled on DATE=\d{1,2}-\d{1,2}-\d{4} TIME=\d{1,2}hr:\d{1,2}m:\d{1,2}s)")))
      << log.back();
  EXPECT_EQ(readFile(dir.file("config.ini")), "Log = 0\r\nRecovery = 0\r\nCustomize = 0\r\n");

  menu(IDM_FILE_RECOVERY);  // recorded although Log is off
  EXPECT_EQ(execLog().back().rfind("File Recovery Mode Enabled on DATE=", 0), 0u);
}

TEST_F(Settings, LogSwitchedOnLaterMakesNoLogFolder) {
  openWindow();
  menu(IDM_FILE_LOG);
  EXPECT_TRUE(dialog->logEnabled);
  EXPECT_TRUE(menuChecked(IDM_FILE_LOG));
  EXPECT_FALSE(platform::isDirectory(dir.file("Log Files")));
}

TEST_F(Settings, UnwritableFileStillTogglesTheSetting) {
  // A folder where config.ini should be: the file cannot be opened for writing.
  ASSERT_TRUE(platform::createDirectory(dir.file("config.ini")));
  openWindow();
  menu(IDM_FILE_CUSTOMIZE);
  EXPECT_TRUE(dialog->customizeNames);
  EXPECT_TRUE(menuChecked(IDM_FILE_CUSTOMIZE));
  EXPECT_TRUE(platform::isDirectory(dir.file("config.ini")));
}

}  // namespace
}  // namespace qm::test
