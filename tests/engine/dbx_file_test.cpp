// Opening and closing a store, the title rule, the mail count and their log lines.
#include <gtest/gtest.h>

#include "engine/dbx_file.h"
#include "platform/files.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/storegen/store_generator.h"

using qm::test::TempDir;

namespace {

std::string titleAfterOpening(const std::string& path) {
  RecordingHost host;
  DbxFile store(host);
  store.open(path);
  return store.title;
}

TEST(DbxFileTitle, DropsTheFolderAndTheLastFourCharacters) {
  TempDir dir;
  const std::string sep(1, qm::platform::pathSeparator());
  storeFile(dir, "Inbox.dbx", {});
  storeFile(dir, "Inbox", {});
  storeFile(dir, "a.db", {});
  EXPECT_EQ(titleAfterOpening(dir.path() + sep + "Inbox.dbx"), "Inbox");
  EXPECT_EQ(titleAfterOpening(dir.path() + sep + "Inbox"), "I");
  EXPECT_EQ(titleAfterOpening(dir.path() + sep + "a.db"), "");
}

TEST(DbxFileTitle, CountsCharactersNotBytesAndTakesBothSeparators) {
  TempDir dir;
  const std::string name = "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0.dbx";  // Почта.dbx
  storeFile(dir, name, {});
  EXPECT_EQ(titleAfterOpening(dir.file(name)), "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0");
  RecordingHost host;
  DbxFile store(host);
  store.open("C:\\Mail\\Inbox.dbx");  // missing here, but the title is set before the open fails
  EXPECT_EQ(store.title, "");       // and emptied by the failure
}

TEST(DbxFileOpen, NullPathIsRefusedWithAMessageEvenWithoutLogging) {
  RecordingHost host;
  DbxFile store(host);
  EXPECT_FALSE(store.open("Null"));
  EXPECT_EQ(host.messages, std::vector<std::string>{"ERROR: Invalid file path"});
  EXPECT_TRUE(host.log.empty());
  store.logEnabled = true;
  EXPECT_FALSE(store.open("Null"));
  EXPECT_TRUE(host.hasLine("ERROR: Invalid file path", true));
  EXPECT_FALSE(store.opened);
}

TEST(DbxFileOpen, MissingFileShowsTwoLineMessageAndFindMailsThenFails) {
  TempDir dir;
  RecordingHost host;
  DbxFile store(host);
  store.logEnabled = true;
  const std::string path = dir.file("x.dbx");
  EXPECT_FALSE(store.open(path));
  const std::string text = "Error Opening " + path + " file. \nConvertion fails for this file";
  EXPECT_EQ(host.messages, std::vector<std::string>{text});
  EXPECT_TRUE(host.hasLine(text, true));
  std::int32_t count = 77;
  EXPECT_EQ(store.findMails(count), -1);
  EXPECT_EQ(count, 77);
  EXPECT_TRUE(host.hasLine("Trying to find convertable mails without opening the file", true));
}

TEST(DbxFileOpen, EmptyFileOpensWithSizeZeroAndHoldsNoMails) {
  TempDir dir;
  RecordingHost host;
  DbxFile store(host);
  store.logEnabled = true;
  const std::string path = storeFile(dir, "Empty.dbx", {});
  ASSERT_TRUE(store.open(path));
  EXPECT_EQ(store.fileSize, 0);
  std::int32_t count = -5;
  EXPECT_EQ(store.findMails(count), 0);
  EXPECT_EQ(count, 0);
  const std::vector<LogEntry> expected = {
      {path + " DBX File opened succssfully.", false},
      {"Advance Search Initialized", false},
      {"0 Normal object found", false},
      {"Total 0 suspecious object identified", true},
      {"0 Mail headers identified", false},
      {"0 Convertable mails found.", false},
  };
  EXPECT_EQ(host.log, expected);
}

TEST(DbxFileClose, SecondCloseOnlyLogsTheError) {
  TempDir dir;
  RecordingHost host;
  DbxFile store(host);
  store.logEnabled = true;
  const std::string path = storeFile(dir, "Inbox.dbx", qm::storegen::buildStore({"From: a\r\n\r\nhi"}).bytes);
  ASSERT_TRUE(store.open(path));
  std::int32_t count = 0;
  store.findMails(count);
  EXPECT_EQ(store.blockTable.size(), 1u);
  host.log.clear();
  store.close();
  store.close();
  const std::vector<LogEntry> expected = {
      {path + " DBX File closed succssfully.", false},
      {"Error: Trying to close file without opening DBX file first", true},
  };
  EXPECT_EQ(host.log, expected);
  EXPECT_TRUE(store.blockTable.empty());
  EXPECT_TRUE(store.mailList.empty());
  EXPECT_TRUE(store.path.empty());
  EXPECT_EQ(store.file, nullptr);
}

TEST(DbxFileOpen, ReopeningWithoutCloseReleasesTheEarlierFile) {
  TempDir dir;
  RecordingHost host;
  DbxFile store(host);
  const std::string first = storeFile(dir, "A.dbx", qm::storegen::buildStore({"one"}).bytes);
  const std::string second = storeFile(dir, "B.dbx", qm::storegen::buildStore({"two", "three"}).bytes);
  ASSERT_TRUE(store.open(first));
  std::int32_t count = 0;
  store.findMails(count);
  ASSERT_TRUE(store.open(second));
  EXPECT_TRUE(store.mailList.empty());
  EXPECT_TRUE(store.blockTable.empty());
  EXPECT_EQ(store.findMails(count), 2);
  EXPECT_EQ(store.title, "B");
  store.close();
}

TEST(DbxFileLogging, NothingIsLoggedWhileLoggingIsOff) {
  TempDir dir;
  RecordingHost host;
  DbxFile store(host);
  const std::string path = storeFile(dir, "Inbox.dbx", qm::storegen::buildStore({"From: a\r\n\r\nhi"}).bytes);
  ASSERT_TRUE(store.open(path));
  std::int32_t count = 0;
  EXPECT_EQ(store.findMails(count), 1);
  std::string out;
  EXPECT_TRUE(store.saveMailToEML(dir.path(), out, 0));
  EXPECT_FALSE(store.saveMailToEML(dir.path(), out, 1));
  store.close();
  store.close();
  EXPECT_TRUE(host.log.empty());
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
