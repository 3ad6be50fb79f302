// The Search Files dialog over the test window: the walk over generated folder trees, Stop,
// a search started while a stopped one winds down, Check All, and the rows Add To List and
// Finish put into the main list.
#include <algorithm>
#include <functional>
#include <set>

#include "tests/support/files.h"
#include "tests/ui/dialog_driver.h"
#include "tests/ui/store_tree.h"
#include "tests/ui/window_fixture.h"
#include "platform/files.h"
#include "ui/search_files_dialog.h"
#include "ui/search_files_ids.h"

namespace qm::test {
namespace {

// The real walk, held after its first `holdAfter` stores until the dialog stops the search
// (ten seconds at most); then `afterStop` runs on the search thread, as a thread that was
// still busy when Stop came would. What it feeds reaches the dialog as usual.
CSearchFilesDlg::SearchBody heldWalk(int holdAfter,
                                     std::function<void(ui::SearchFeed&)> afterStop = nullptr) {
  return [holdAfter, afterStop](const std::string& folder, ui::SearchFeed& feed) {
    int stores = 0;
    ui::SearchFeed* relay = nullptr;
    ui::SearchFeed held([&] {
      for (auto& u : relay->take()) {
        const bool store = u.kind == ui::SearchUpdate::Kind::Found;
        feed.push(std::move(u));
        if (store && ++stores == holdAfter) {
          for (int i = 0; i < 1000 && !feed.stopped(); ++i) Sleep(10);
          if (afterStop) afterStop(feed);
        }
        if (feed.stopped()) relay->stop();
      }
    });
    relay = &held;
    ui::DBX_Search_thread(folder, held);
    for (auto& u : held.take()) feed.push(std::move(u));
  };
}

class SearchDialogTest : public WindowTest {
 protected:
  void TearDown() override {
    search.reset();  // waits for a search thread still winding down
    WindowTest::TearDown();
  }

  void openSearch() {
    if (!dialog) openWindow();
    search = std::make_unique<CSearchFilesDlg>(*dialog, services);
    ASSERT_NE(search->create(), nullptr);
    d.attach(search->window());
    pump();
  }
  void chooseFolder(const std::string& folder) {
    services.folders.push_back(folder);
    d.click(IDB_SEARCH_BROWSE);
    pump();
  }
  bool searchEnded() const { return d.enabled(IDB_SEARCH_FINISH) && d.text(IDB_SEARCH_START) == "Search"; }
  void searchToEnd() {
    d.click(IDB_SEARCH_START);
    ASSERT_TRUE(pumpUntil([&] { return searchEnded(); }));
  }
  int found() const { return d.rows(IDL_FOUND); }
  std::string foundPath(int row) const { return d.cell(IDL_FOUND, row, 3); }
  std::string relative(const std::string& path, const std::string& root) const {
    return path.substr(root.size() + 1);
  }
  // Writes `count` small stores into a new folder of the test's own.
  std::string folderWithStores(const std::string& name, int count) {
    const std::string folder = dir.file(name);
    platform::createDirectory(folder);
    for (int i = 0; i < count; ++i) writeFile(folder + "\\" + name + std::to_string(i) + ".dbx", "x");
    return folder;
  }
  // Sixty stores in thirty folders.
  std::string largeTree() {
    const std::string root = dir.file("large");
    platform::createDirectory(root);
    makeWideTree(root, 30, 2);
    return root;
  }

  std::unique_ptr<CSearchFilesDlg> search;
  DialogDriver d;
};

TEST_F(SearchDialogTest, OpensReadyToChooseAFolder) {
  openSearch();
  wchar_t caption[64] = {};
  GetWindowTextW(d.window(), caption, 64);
  EXPECT_STREQ(caption, L"Search Files");
  EXPECT_EQ(d.text(IDT_SEARCH_FOLDER), "Select Directory : ");
  EXPECT_EQ(d.text(IDE_SEARCH_FOLDER), "");
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "0 files found");
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Search");
  EXPECT_FALSE(d.enabled(IDB_SEARCH_START));
  EXPECT_FALSE(d.enabled(IDB_CHECK_ALL));
  EXPECT_TRUE(d.enabled(IDB_SEARCH_ADD));
  EXPECT_TRUE(d.enabled(IDB_SEARCH_FINISH));
  EXPECT_EQ(search->searchFolder, "NULL");
  EXPECT_EQ(search->foundCount, 0);
  EXPECT_NE(SendMessageW(d.window(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(d.window(), WM_GETICON, ICON_SMALL, 0), 0);

  HWND list = d.control(IDL_FOUND);
  const DWORD ex = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(ex & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP),
            static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP));
  const struct { const wchar_t* heading; int format; int width; } columns[] = {
      {L"File Name", LVCFMT_LEFT, 250}, {L"Size", LVCFMT_RIGHT, 100},
      {L"Created On", LVCFMT_RIGHT, 195}, {L"File Path.", LVCFMT_LEFT, 0}};
  for (int i = 0; i < 4; ++i) {
    wchar_t heading[32] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    col.pszText = heading;
    col.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(heading, columns[i].heading);
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, columns[i].format) << i;
    EXPECT_EQ(col.cx, columns[i].width) << i;
  }
}

TEST_F(SearchDialogTest, FolderBrowserChoosesTheStartFolderOrAsksAgain) {
  openSearch();
  chooseFolder(dir.path());
  EXPECT_EQ(services.lastFolderTitle, " Please select the Destination folder ");
  EXPECT_EQ(d.text(IDE_SEARCH_FOLDER), dir.path());
  EXPECT_EQ(search->searchFolder, dir.path());
  EXPECT_TRUE(d.enabled(IDB_SEARCH_START));

  d.click(IDB_SEARCH_BROWSE);  // cancelled
  pump();
  EXPECT_EQ(boxTexts(services), std::vector<std::string>{"Please select proper path."});
  EXPECT_EQ(services.boxes.back().caption, dialog->appName());
  EXPECT_FALSE(d.enabled(IDB_SEARCH_START));
  EXPECT_EQ(search->searchFolder, dir.path());  // the earlier choice stays

  search->searchFolder = "NULL";
  search->OnSearchbutton();
  EXPECT_EQ(services.boxes.back().text, "Pls. Select the folder first");
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Search");
}

TEST_F(SearchDialogTest, ListsStoresBreadthFirstLeavingOutBookkeepingAndRecycler) {
  const std::string root = dir.file("tree");
  platform::createDirectory(root);
  const auto expected = makeStoreTree(root);
  openSearch();
  chooseFolder(root);
  d.click(IDB_SEARCH_START);
  EXPECT_TRUE(search->searching);
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Stop");
  EXPECT_FALSE(d.enabled(IDB_SEARCH_ADD));
  EXPECT_FALSE(d.enabled(IDB_SEARCH_FINISH));
  EXPECT_FALSE(d.enabled(IDL_FOUND));
  EXPECT_FALSE(d.enabled(IDB_CHECK_ALL));
  ASSERT_TRUE(pumpUntil([&] { return searchEnded(); }));

  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "5 files found");
  EXPECT_FALSE(search->searching);
  EXPECT_EQ(search->foundCount, 5);
  EXPECT_TRUE(d.enabled(IDB_CHECK_ALL));
  EXPECT_TRUE(d.enabled(IDL_FOUND));
  EXPECT_TRUE(d.enabled(IDB_SEARCH_ADD));
  ASSERT_EQ(found(), 5);
  std::set<std::string> listed;
  for (int i = 0; i < found(); ++i) listed.insert(relative(foundPath(i), root));
  EXPECT_EQ(listed, expected);
  // Breadth first: the start folder's store first, the one two levels down last.
  EXPECT_EQ(relative(foundPath(0), root), "Inbox.dbx");
  EXPECT_EQ(relative(foundPath(4), root), "Sub1\\recycler\\Kept.dbx");
  EXPECT_EQ(d.cell(IDL_FOUND, 0, 0), "Inbox.dbx");
  EXPECT_EQ(d.cell(IDL_FOUND, 0, 1), "2 Kb");
  EXPECT_EQ(d.cell(IDL_FOUND, 0, 2).size(), 24u);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(d.rowChecked(IDL_FOUND, i));
}

TEST_F(SearchDialogTest, FolderWithoutStoresOrThatCannotBeReadFindsNothing) {
  openSearch();
  chooseFolder(folderWithStores("empty", 0));
  searchToEnd();
  EXPECT_EQ(found(), 0);
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "0 files found");
  EXPECT_TRUE(d.enabled(IDB_CHECK_ALL));

  chooseFolder(dir.file("no such folder"));
  searchToEnd();
  EXPECT_EQ(found(), 0);
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "0 files found");
}

TEST_F(SearchDialogTest, SecondSearchClearsTheListAndCountsItsOwnRows) {
  const std::string first = folderWithStores("first", 5);
  const std::string second = folderWithStores("second", 2);
  openSearch();
  chooseFolder(first);
  searchToEnd();
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "5 files found");
  d.click(IDB_CHECK_ALL);
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Uncheck All");

  chooseFolder(second);
  d.click(IDB_SEARCH_START);
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Check All");
  ASSERT_TRUE(pumpUntil([&] { return searchEnded(); }));
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "2 files found");
  EXPECT_EQ(search->foundCount, 7);
  ASSERT_EQ(found(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(foundPath(i).rfind(second, 0), 0u);
}

TEST_F(SearchDialogTest, StopKeepsTheRowsFoundSoFarAndTheyCanBeAdded) {
  const std::string root = largeTree();
  openSearch();
  search->searchBody = heldWalk(3);
  chooseFolder(root);
  d.click(IDB_SEARCH_START);
  ASSERT_TRUE(pumpUntil([&] { return found() == 3; }));
  d.click(IDB_SEARCH_START);  // Stop
  EXPECT_FALSE(search->searching);
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Search");
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "Search Stopped");
  ASSERT_TRUE(pumpUntil([&] { return searchEnded(); }));
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "Search Stopped");
  EXPECT_TRUE(d.enabled(IDB_CHECK_ALL));
  EXPECT_TRUE(d.enabled(IDL_FOUND));
  EXPECT_EQ(found(), 3);  // the walk ended at its next check
  EXPECT_EQ(search->foundCount, 3);

  d.checkRow(IDL_FOUND, 0, true);
  d.click(IDB_SEARCH_ADD);
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(cell(0, 0), foundPath(0));
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "Files Added successfully");
}

TEST_F(SearchDialogTest, NewSearchRightAfterStopShowsOnlyItsOwnRows) {
  const std::string root = largeTree();
  const std::string small = folderWithStores("small", 3);
  openSearch();
  // The stopped search still delivers a store a while after Stop.
  search->searchBody = heldWalk(1, [&](ui::SearchFeed& feed) {
    Sleep(200);
    ui::SearchUpdate late;
    late.kind = ui::SearchUpdate::Kind::Found;
    late.store = ui::FoundStore{root + "\\late.dbx", "late.dbx", "0 Kb", ""};
    feed.push(late);
  });
  chooseFolder(root);
  d.click(IDB_SEARCH_START);
  ASSERT_TRUE(pumpUntil([&] { return found() >= 1; }));
  d.click(IDB_SEARCH_START);  // Stop, and at once a new search elsewhere
  search->searchBody = ui::DBX_Search_thread;
  chooseFolder(small);
  d.click(IDB_SEARCH_START);
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Stop");
  ASSERT_TRUE(pumpUntil([&] { return searchEnded(); }));
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "3 files found");
  // Nothing of the stopped search shows afterwards.
  const DWORD until = GetTickCount() + 500;
  while (GetTickCount() < until) {
    pump();
    Sleep(10);
  }
  ASSERT_EQ(found(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(foundPath(i).rfind(small, 0), 0u) << foundPath(i);
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "3 files found");
  EXPECT_EQ(d.text(IDB_SEARCH_START), "Search");
}

TEST_F(SearchDialogTest, CloseBoxIsIgnoredWhileSearching) {
  openSearch();
  search->searchBody = heldWalk(1);
  chooseFolder(largeTree());
  d.click(IDB_SEARCH_START);
  ASSERT_TRUE(pumpUntil([&] { return found() >= 1; }));
  d.close();
  pump();
  ASSERT_TRUE(d.open());
  // The Escape and Enter commands never end it either.
  SendMessageW(d.window(), WM_COMMAND, IDCANCEL, 0);
  SendMessageW(d.window(), WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(d.open());
  // A cancelled folder browser during the search leaves Stop within reach.
  d.click(IDB_SEARCH_BROWSE);
  EXPECT_TRUE(d.enabled(IDB_SEARCH_START));
  d.click(IDB_SEARCH_START);  // Stop
  d.close();
  EXPECT_FALSE(d.open());
  EXPECT_FALSE(search->searching);
}

TEST_F(SearchDialogTest, CheckAllUncheckAllAndTheRowRule) {
  openSearch();
  chooseFolder(folderWithStores("three", 3));
  searchToEnd();
  d.click(IDB_CHECK_ALL);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(d.rowChecked(IDL_FOUND, i));
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Uncheck All");

  d.checkRow(IDL_FOUND, 1, false);  // a checked row about to change
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Check All");
  d.checkRow(IDL_FOUND, 1, true);  // the only unchecked row about to change
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Uncheck All");

  d.click(IDB_CHECK_ALL);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(d.rowChecked(IDL_FOUND, i));
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Check All");
  d.checkRow(IDL_FOUND, 0, true);  // unchecked, but others are unchecked too
  EXPECT_EQ(d.text(IDB_CHECK_ALL), "Check All");

  wchar_t buf[80];
  NMLVGETINFOTIPW tip{};
  tip.pszText = buf;
  tip.cchTextMax = 80;
  tip.iItem = 0;
  search->OnGetInfoTipFoundList(&tip);
  EXPECT_STREQ(buf, L"");
  tip.iItem = 1;
  search->OnGetInfoTipFoundList(&tip);
  EXPECT_STREQ(buf, L"Check file to add to the list");
}

TEST_F(SearchDialogTest, AddToListReportsRowsAlreadyInTheMainList) {
  const std::string folder = folderWithStores("stores", 3);
  openWindow();
  dialog->insertSourceRow(0, folder + "\\stores1.dbx");
  openSearch();
  chooseFolder(folder);
  searchToEnd();
  d.click(IDB_SEARCH_ADD);  // nothing checked: nothing happens
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(rows(), 1);
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "3 files found");

  d.click(IDB_CHECK_ALL);
  d.click(IDB_SEARCH_ADD);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "These files already present\n" + folder + "\\stores1.dbx\n");
  EXPECT_EQ(services.boxes[0].caption, dialog->appName());
  EXPECT_EQ(rows(), 3);
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "3 files found");

  d.click(IDB_SEARCH_ADD);  // everything is there now
  ASSERT_EQ(services.boxes.size(), 2u);
  std::set<std::string> reported;
  std::string text = services.boxes[1].text;
  ASSERT_EQ(text.rfind("These files already present\n", 0), 0u);
  text.erase(0, std::string("These files already present\n").size());
  for (std::size_t at; (at = text.find('\n')) != std::string::npos; text.erase(0, at + 1))
    reported.insert(text.substr(0, at));
  EXPECT_EQ(reported.size(), 3u);
  EXPECT_EQ(rows(), 3);
}

TEST_F(SearchDialogTest, AddedRowsGoInAfterTheFoundCount) {
  openWindow();
  for (const char* name : {"a.dbx", "b.dbx", "c.dbx"}) dialog->insertSourceRow(dialog->nextRow++, dir.file(name));
  const std::string folder = folderWithStores("two", 2);
  openSearch();
  chooseFolder(folder);
  searchToEnd();
  ASSERT_EQ(search->foundCount, 2);
  d.checkRow(IDL_FOUND, 0, true);
  d.click(IDB_SEARCH_ADD);
  ASSERT_EQ(rows(), 4);
  EXPECT_EQ(cell(2, 0), foundPath(0));
  EXPECT_EQ(cell(2, 1), d.cell(IDL_FOUND, 0, 0));
  EXPECT_EQ(cell(2, 2), d.cell(IDL_FOUND, 0, 1));
  EXPECT_EQ(cell(2, 3), d.cell(IDL_FOUND, 0, 2));
  EXPECT_EQ(cell(3, 0), dir.file("c.dbx"));
  EXPECT_EQ(dialog->nextRow, 3);  // rows from the search leave it alone
  EXPECT_EQ(d.text(IDT_SEARCH_STATUS), "Files Added successfully");

  d.checkRow(IDL_FOUND, 0, false);
  d.checkRow(IDL_FOUND, 1, true);  // foundCount + 1 = 3
  d.click(IDB_SEARCH_ADD);
  ASSERT_EQ(rows(), 5);
  EXPECT_EQ(cell(3, 0), foundPath(1));
}

TEST_F(SearchDialogTest, FinishAddsCheckedRowsSilentlyAndCloses) {
  const std::string folder = folderWithStores("fin", 2);
  openWindow();
  dialog->insertSourceRow(0, folder + "\\fin0.dbx");
  openSearch();
  chooseFolder(folder);
  searchToEnd();
  d.click(IDB_CHECK_ALL);
  d.click(IDB_SEARCH_FINISH);
  EXPECT_FALSE(d.open());
  EXPECT_TRUE(services.boxes.empty());
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(cell(1, 0), folder + "\\fin1.dbx");
}

TEST_F(SearchDialogTest, FinishWithNothingCheckedJustCloses) {
  openSearch();
  chooseFolder(folderWithStores("none", 2));
  searchToEnd();
  d.click(IDB_SEARCH_FINISH);
  EXPECT_FALSE(d.open());
  EXPECT_EQ(rows(), 0);
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(SearchDialogTest, SearchButtonOfTheWindowAddsFoundStoresAndEnablesBrowse) {
  const std::string folder = folderWithStores("via", 2);
  services.onSearch = [&](CRAROvavodizDlg& main) {
    CSearchFilesDlg searchDialog(main, services);
    DialogDriver driver;
    driver.attach(searchDialog.create());
    services.folders.push_back(folder);
    driver.click(IDB_SEARCH_BROWSE);
    driver.click(IDB_SEARCH_START);
    pumpUntil([&] { return driver.enabled(IDB_SEARCH_FINISH); });
    driver.click(IDB_CHECK_ALL);
    driver.click(IDB_SEARCH_FINISH);
  };
  openWindow();
  EXPECT_FALSE(enabled(IDB_BROWSE));
  menu(IDM_FILE_SEARCH);
  EXPECT_EQ(services.searchDialogs, 1);
  EXPECT_EQ(rows(), 2);
  EXPECT_TRUE(enabled(IDB_BROWSE));
}

// The real modal run: the window is disabled while the dialog is up, Escape does not close
// it, the close box does, and the window comes back.
TEST_F(SearchDialogTest, RunsModallyOverTheWindow) {
  openWindow();
  ui::Win32Services real;
  const ModalPlay play = playModal(L"Search Files", IDB_SEARCH_FINISH, VK_ESCAPE,
                                   [&] { real.runSearchDialog(*dialog); });
  EXPECT_NE(play.seen, nullptr);
  EXPECT_TRUE(play.ownerDisabled);
  EXPECT_GE(play.ticks, 2);  // Escape left it open
  EXPECT_FALSE(IsWindow(play.seen));
  EXPECT_TRUE(IsWindowEnabled(hwnd));
}

}  // namespace
}  // namespace qm::test
