// Add: the header test and its messages, duplicates, the row texts, non-ASCII names, and
// the rows that the search dialog inserts.
#include <regex>

#include "tests/support/files.h"
#include "tests/ui/window_fixture.h"

namespace qm::test {
namespace {

using AddFile = WindowTest;

TEST_F(AddFile, GoodStoreAddsARowWithoutMessage) {
  writeSettings(true, false, false);
  openWindow();
  const std::string path = storeCopy("Inbox.dbx");
  add(path);
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(cell(0, 0), path);
  EXPECT_EQ(cell(0, 1), "Inbox.dbx");
  EXPECT_EQ(cell(0, 2), std::to_string(readFile(path).size() / 1024) + " Kb");
  EXPECT_TRUE(std::regex_match(cell(0, 3), std::regex(R"((Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d \d{4})")))
      << cell(0, 3);
  EXPECT_EQ(text(IDE_FILE), path);
  EXPECT_EQ(text(IDT_STATUS), "Ready");
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(dialog->nextRow, 1);
  const auto log = execLog();
  const std::vector<std::string> tail(log.end() - 5, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"In CRAROvavodizDlg::OnAddbutton()", "initializing Browse Dialog",
                                            "Browse Dialog succeeded", path + " File added to list successfully",
                                            "Succeeded CRAROvavodizDlg::OnAddbutton()"}));
}

TEST_F(AddFile, DuplicateIsRefusedWithItsPath) {
  writeSettings(true, false, false);
  openWindow();
  const std::string path = storeCopy("Inbox.dbx");
  add(path);
  add(path);
  EXPECT_EQ(rows(), 1);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "This file already present\n" + path + "\n");
  EXPECT_EQ(services.boxes[0].caption, dialog->appName());
  EXPECT_EQ(services.boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(errorLog(), std::vector<std::string>{"Trying to Add Duplicate File " + path + " "});
}

TEST_F(AddFile, PathDifferingInCaseIsAnotherRow) {
  openWindow();
  const std::string path = storeCopy("Inbox.dbx");
  add(path);
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  add(lower);
  EXPECT_EQ(rows(), 2);
}

TEST_F(AddFile, WrongHeadersAreAddedThenReported) {
  writeSettings(true, false, false);
  openWindow();
  const std::string text = dir.file("notes.dbx");
  writeFile(text, std::string("From: someone\r\n\r\nhello\r\n"));
  const std::string folders = dir.file("Folders.dbx");
  writeFile(folders, readFile(sharedFile("samples/real/Folders.dbx")));  // a folder-list store
  const std::string tiny = dir.file("tiny.dbx");
  writeFile(tiny, std::string("\xCF\xAD\x12\xFE", 4));

  add(text);
  add(folders);
  add(tiny);
  ASSERT_EQ(rows(), 3);
  EXPECT_EQ(cell(2, 2), "0 Kb");
  ASSERT_EQ(services.boxes.size(), 3u);
  EXPECT_EQ(services.boxes[0].text, "File is not a valid dbx file Or File Header is corrupt.");
  EXPECT_EQ(services.boxes[1].text,
            "File is not a valid Message.dbx File.\nProbably, You may have selected  Folder.dbx, "
            "Pop3uidl.dbx or Offline.dbx files");
  EXPECT_EQ(services.boxes[2].text, "Error reading file.");
  EXPECT_EQ(errorLog(), (std::vector<std::string>{
                            text + " File is not a valid dbx file Or File Header is corrupt.",
                            folders + " File is not a valid Message.dbx File"}));
}

TEST_F(AddFile, MissingFileAddsNothing) {
  writeSettings(true, false, false);
  openWindow();
  const std::string path = dir.file("gone.dbx");
  add(path);
  EXPECT_EQ(rows(), 0);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "Error opening file. Pls make sure that the file is present");
  EXPECT_EQ(errorLog(), std::vector<std::string>{
                            "Error Opening " + path + " File.(Probably file not present or used by another program)"});
  EXPECT_FALSE(enabled(IDB_BROWSE));
  EXPECT_EQ(execLog().back(), "Succeeded CRAROvavodizDlg::OnAddbutton()");
}

TEST_F(AddFile, CancelShowsNothing) {
  openWindow();
  click(IDB_ADD);
  menu(IDM_FILE_OPEN);
  EXPECT_EQ(rows(), 0);
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(text(IDT_STATUS), "Ready");
}

TEST_F(AddFile, NonAsciiNamesAreListedAsThey) {
  openWindow();
  const std::string inbox = storeCopy("Входящие.dbx");
  const std::string french = storeCopy("Boîte de réception.dbx");
  add(inbox);
  add(french);
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(cell(0, 0), inbox);
  EXPECT_EQ(cell(0, 1), "Входящие.dbx");
  EXPECT_EQ(cell(1, 1), "Boîte de réception.dbx");
  EXPECT_TRUE(services.boxes.empty());  // both opened and passed the header test
  EXPECT_EQ(text(IDE_FILE), french);
}

TEST_F(AddFile, AfterSearchRowsAddGoesToNextRow) {
  openWindow();
  const std::string a = storeCopy("A.dbx"), b = storeCopy("B.dbx"), c = storeCopy("C.dbx");
  services.onSearch = [&](CRAROvavodizDlg& d) {
    d.insertSourceRow(0, a);
    d.insertSourceRow(1, b);
  };
  click(IDB_SEARCH);
  EXPECT_EQ(services.searchDialogs, 1);
  EXPECT_TRUE(enabled(IDB_BROWSE));
  add(c);
  ASSERT_EQ(rows(), 3);
  EXPECT_EQ(cell(0, 1), "C.dbx");  // nextRow was still 0
  EXPECT_EQ(cell(1, 1), "A.dbx");
}

TEST_F(AddFile, RowsAfterDeletionStillGoToTheEnd) {
  openWindow();
  add(storeCopy("A.dbx"));
  add(storeCopy("B.dbx"));
  selectRow(0);
  pressDelete();
  add(storeCopy("C.dbx"));
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(cell(1, 1), "C.dbx");
}

}  // namespace
}  // namespace qm::test
