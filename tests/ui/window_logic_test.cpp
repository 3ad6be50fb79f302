// The window's portable pieces: config.ini bytes, hint regions, row texts, the header test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "ui/hints.h"
#include "ui/row_text.h"
#include "ui/settings_file.h"

using namespace qm::ui;

TEST(SettingsFile, WritesThirtyEightBytesWithCrLf) {
  const std::string text = settingsText(Settings{false, true, false});
  EXPECT_EQ(text, "Log = 0\r\nRecovery = 1\r\nCustomize = 0\r\n");
  EXPECT_EQ(text.size(), kSettingsFileSize);
  EXPECT_EQ(text[kLogValueOffset], '0');
  EXPECT_EQ(text[kRecoveryValueOffset], '1');
  EXPECT_EQ(text[kCustomizeValueOffset], '0');
}

TEST(SettingsFile, ReadsOnlyTheThreeValueBytes) {
  const Settings crlf = parseSettings("Log = 1\r\nRecovery = 0\r\nCustomize = 1\r\n");
  EXPECT_TRUE(crlf.log);
  EXPECT_FALSE(crlf.recovery);
  EXPECT_TRUE(crlf.customize);
  // With bare line feeds the offsets fall on other characters: only Log is read right.
  const Settings lf = parseSettings("Log = 1\nRecovery = 1\nCustomize = 1\n");
  EXPECT_TRUE(lf.log);
  EXPECT_FALSE(lf.recovery);   // offset 20 holds '\n'
  EXPECT_FALSE(lf.customize);  // offset 35 holds '\n'
}

TEST(SettingsFile, AnyByteButTheDigitOneIsOff) {
  const Settings s = parseSettings("Log = 2\r\nRecovery = x\r\nCustomize = 0\r\n");
  EXPECT_FALSE(s.log || s.recovery || s.customize);
}

TEST(SettingsFile, ShortOrMissingFileLeavesSettingsOff) {
  qm::test::TempDir dir;
  EXPECT_FALSE(readSettings(dir.file("config.ini")).log);
  qm::test::writeFile(dir.file("config.ini"), std::string("Log = 1\r\nRecovery = 1"));
  const Settings s = readSettings(dir.file("config.ini"));
  EXPECT_TRUE(s.log);
  EXPECT_TRUE(s.recovery);
  EXPECT_FALSE(s.customize);  // offset 35 is past the end
}

TEST(Hints, RegionsInTheirOrder) {
  EXPECT_EQ(hintAt(5, 0, "&Convert"), " Select Menu");
  EXPECT_EQ(hintAt(1, 0, "&Convert"), " Ready");  // left of the menu edge region
  EXPECT_EQ(hintAt(100, 30, "&Convert"),
            " Quillmend" + std::string(66, ' ') + "www.quillmend.example");
  EXPECT_EQ(hintAt(484, 80, "&Convert"), " Click Add button to select a file.");
  EXPECT_EQ(hintAt(485, 80, "&Convert"), " Click Search button to search file on disk.");
  EXPECT_EQ(hintAt(12, 103, "&Convert"), " Convert file list.");
  EXPECT_EQ(hintAt(579, 260, "&Convert"), " Click Browse button to specify destination.");
  EXPECT_EQ(hintAt(16, 359, "&Convert"), " Select the output file format.");
  EXPECT_EQ(hintAt(600, 600, "&Convert"), " Ready");
}

TEST(Hints, ConvertButtonFollowsItsCaption) {
  EXPECT_EQ(hintAt(500, 460, "&Convert"), " Click Convert button to convert files.");
  EXPECT_EQ(hintAt(500, 460, "&Stop"), " Click Stop button to stop convertion.");
  EXPECT_EQ(hintAt(500, 460, "Other"), " Ready");
}

TEST(RowText, SizeIsWholeKilobytesTruncated) {
  EXPECT_EQ(sizeText(1500), "1 Kb");
  EXPECT_EQ(sizeText(900), "0 Kb");
  EXPECT_EQ(sizeText(5ull * 1024 * 1024 * 1024), "5242880 Kb");  // past 4 GB
}

TEST(RowText, CreationTimeHasLeadingZerosAndEnglishNames) {
  EXPECT_EQ(creationText({2008, 1, 2, 2, 3, 55}), "Wed Jan 02 02:03:55 2008");
  EXPECT_EQ(creationText({2024, 2, 29, 23, 59, 0}), "Thu Feb 29 23:59:00 2024");
  EXPECT_EQ(creationText({2000, 13, 1, 0, 0, 0}), "");  // no such month
}

TEST(RowText, FileNameAfterEitherSeparator) {
  EXPECT_EQ(fileNameOf("C:\\Mail\\Входящие.dbx"), "Входящие.dbx");
  EXPECT_EQ(fileNameOf("Z:/tmp/Inbox.dbx"), "Inbox.dbx");
  EXPECT_EQ(fileNameOf("Inbox.dbx"), "Inbox.dbx");
}
