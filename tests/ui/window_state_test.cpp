// The main window's start-up state, the enabling rules from an empty list to a ready run,
// and the handlers that touch no store: hints, the info tip, Help, About, Exit, keys.
#include <regex>

#include "platform/files.h"
#include "platform/text_win.h"
#include "tests/support/files.h"
#include "tests/ui/window_fixture.h"
#include "ui/key_filter.h"

namespace qm::test {
namespace {

using StartUp = WindowTest;
using Enabling = WindowTest;
using Handlers = WindowTest;

TEST_F(StartUp, OpensInItsInitialState) {
  openWindow();
  EXPECT_TRUE(enabled(IDB_ADD));
  EXPECT_TRUE(enabled(IDB_SEARCH));
  EXPECT_FALSE(enabled(IDB_BROWSE));
  EXPECT_FALSE(enabled(IDB_CONVERT));
  for (int id : {IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF, IDR_SAVE_DBX})
    EXPECT_FALSE(enabled(id)) << id;
  EXPECT_FALSE(visible(IDR_SAVE_DBX));
  EXPECT_TRUE(visible(IDR_SAVE_EML));
  EXPECT_EQ(text(IDT_SCAN), "Ready to Scan");
  EXPECT_EQ(text(IDT_PROGRESS), "Progress Report : Ready");
  EXPECT_EQ(text(IDT_STATUS), "Ready");
  EXPECT_EQ(text(IDB_CONVERT), "&Convert");
  EXPECT_EQ(text(IDE_FILE), "");
  EXPECT_EQ(text(IDE_DESTINATION), "");
  EXPECT_EQ(SendMessageW(control(IDP_FILE), PBM_GETPOS, 0, 0), 0);
  for (UINT cmd : {IDM_FILE_LOG, IDM_FILE_RECOVERY, IDM_FILE_CUSTOMIZE}) {
    EXPECT_TRUE(menuEnabled(cmd));
    EXPECT_FALSE(menuChecked(cmd));
  }
  // No config.ini: logging is off and no log folder appears.
  EXPECT_FALSE(platform::isDirectory(dir.file("Log Files")));
  EXPECT_FALSE(platform::fileExists(dir.file("config.ini")));
}

TEST_F(StartUp, ManifestGivesCommonControlsSixAndUtf8CodePage) {
  openWindow();
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
  EXPECT_NE(platform::fromWide(path).find("common-controls_6595b64144ccf1df_6.0"), std::string::npos)
      << platform::fromWide(path);
  EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
}

TEST_F(StartUp, ListHasFourColumnsWithHiddenPath) {
  openWindow();
  HWND list = control(IDL_SOURCES);
  const int widths[] = {0, 250, 100, 205};
  const char* headings[] = {"File Path.", "File Name", "Size", "Created On"};
  for (int i = 0; i < 4; ++i) {
    wchar_t buf[64] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = buf;
    col.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(col.cx, widths[i]);
    EXPECT_EQ(platform::fromWide(buf), headings[i]);
  }
  EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x421, 0x421);
}

TEST_F(StartUp, SystemMenuOpensAbout) {
  openWindow();
  HMENU sys = GetSystemMenu(hwnd, FALSE);
  wchar_t buf[64] = {};
  ASSERT_GT(GetMenuStringW(sys, IDM_SYS_ABOUT, buf, 64, MF_BYCOMMAND), 0);
  EXPECT_EQ(platform::fromWide(buf), "&About Quillmend");
  SendMessageW(hwnd, WM_SYSCOMMAND, IDM_SYS_ABOUT, 0);
  menu(IDM_HELP_ABOUT);
  EXPECT_EQ(services.aboutBoxes, 2);
}

TEST_F(StartUp, LogOnAtStartWritesBannerAndInitLines) {
  writeSettings(true, false, true);
  openWindow();
  EXPECT_TRUE(menuChecked(IDM_FILE_LOG));
  EXPECT_FALSE(menuChecked(IDM_FILE_RECOVERY));
  EXPECT_TRUE(menuChecked(IDM_FILE_CUSTOMIZE));
  const auto raw = readLines(dir.file("Log Files\\ExecLog.log"));
  ASSERT_GE(raw.size(), 5u);
  EXPECT_EQ(raw[0], std::string(79, '='));
  EXPECT_EQ(raw[1], "Last Log On");
  EXPECT_EQ(execLog(), (std::vector<std::string>{
                           "In CRAROvavodizDlg::OnInitDialog()", "Initializing Parent Dialog List",
                           "Parent Dialog List Initialized", "............preparing..........",
                           "............prepared..........", "Initializing labels n buttons",
                           "Succeeded CRAROvavodizDlg::OnInitDialog()"}));
}

TEST_F(Enabling, FollowsListDestinationAndOption) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  EXPECT_TRUE(enabled(IDB_BROWSE));
  EXPECT_FALSE(enabled(IDR_SAVE_EML));
  EXPECT_FALSE(enabled(IDB_CONVERT));

  browse(dir.path());
  EXPECT_EQ(services.lastFolderTitle, " Please select the Destination folder ");
  const std::regex name(R"(.*\\Tarnwick_Converted_DBX_\(DATE=\d{1,2}-\d{1,2}-\d{4}\)_\(TIME=\d{1,2}hr\.\d{1,2}m\.\d{1,2}s\))");
  EXPECT_TRUE(std::regex_match(dialog->destinationFolder, name)) << dialog->destinationFolder;
  EXPECT_EQ(text(IDE_DESTINATION), dialog->destinationFolder);
  EXPECT_TRUE(platform::isDirectory(dialog->destinationFolder));
  for (int id : {IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF}) {
    EXPECT_TRUE(enabled(id));
    EXPECT_FALSE(checked(id));
  }
  EXPECT_FALSE(enabled(IDB_CONVERT));

  click(IDR_SAVE_PST);
  EXPECT_TRUE(checked(IDR_SAVE_PST));
  EXPECT_EQ(dialog->saveOption, qm::convert::SAVEASPST);
  EXPECT_TRUE(enabled(IDB_CONVERT));
  click(IDR_SAVE_EML);
  EXPECT_FALSE(checked(IDR_SAVE_PST));
  EXPECT_EQ(dialog->saveOption, qm::convert::SAVEASEML);

  // A second Browse returns to the destination-chosen state.
  browse(dir.path());
  EXPECT_FALSE(checked(IDR_SAVE_EML));
  EXPECT_FALSE(enabled(IDB_CONVERT));
  EXPECT_EQ(dialog->saveOption, qm::convert::SAVEASEML);  // kept, but Convert is off

  click(IDR_SAVE_RTF);
  selectRow(0);
  pressDelete();
  EXPECT_EQ(rows(), 0);
  EXPECT_FALSE(enabled(IDB_BROWSE));
  EXPECT_FALSE(enabled(IDR_SAVE_RTF));
  EXPECT_FALSE(enabled(IDB_CONVERT));
  EXPECT_TRUE(checked(IDR_SAVE_RTF));  // check marks are left alone
  EXPECT_FALSE(dialog->destinationFolder.empty());

  add(storeCopy("Outbox.dbx"));
  EXPECT_TRUE(enabled(IDB_BROWSE));
  EXPECT_FALSE(enabled(IDR_SAVE_EML));
}

TEST_F(Enabling, CancelledBrowseChangesNothing) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  click(IDB_BROWSE);  // the browser answers Cancel
  EXPECT_TRUE(dialog->destinationFolder.empty());
  EXPECT_FALSE(enabled(IDR_SAVE_EML));
}

TEST_F(Enabling, BrowseThatCannotMakeTheFolderSaysSo) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  browse(dir.file("no such folder"));
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "Unable to create browsed folder. Please browse again.");
  EXPECT_FALSE(enabled(IDR_SAVE_EML));
  // A path too long for the system is refused the same way.
  browse("C:\\" + std::string(250, 'a'));
  EXPECT_EQ(services.boxes.size(), 2u);
}

// The second Browse within a second finds the folder of the first and uses it as it is:
// nothing in it was written by a run of ours directly, so nothing in it is deleted.
TEST_F(Enabling, BrowseTwiceInOneSecondKeepsEverythingInTheFolder) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  std::string first;
  for (int attempt = 0; attempt < 5; ++attempt) {
    browse(dir.path());
    first = dialog->destinationFolder;
    writeFile(first + "\\stray.txt", std::string("x"));
    platform::createDirectory(first + "\\1_Converted_Inbox_As_EML");
    browse(dir.path());
    if (dialog->destinationFolder == first) break;  // both within the same second
  }
  ASSERT_EQ(dialog->destinationFolder, first);
  EXPECT_TRUE(platform::fileExists(first + "\\stray.txt"));
  EXPECT_TRUE(platform::isDirectory(first + "\\1_Converted_Inbox_As_EML"));
}

TEST_F(Enabling, DeleteWithoutSelectionDeletesNothing) {
  openWindow();
  add(storeCopy("A.dbx"));
  add(storeCopy("B.dbx"));
  pressDelete();
  EXPECT_EQ(rows(), 2);
  selectRow(0);
  pressDelete();
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(cell(0, 1), "B.dbx");
  EXPECT_TRUE(enabled(IDB_BROWSE));
}

TEST_F(Handlers, MouseHintsByRegion) {
  openWindow();
  moveMouse(400, 80);
  EXPECT_EQ(text(IDT_STATUS), " Click Add button to select a file.");
  moveMouse(500, 460);  // over Convert, disabled at start
  EXPECT_EQ(text(IDT_STATUS), " Click Convert button to convert files.");
  moveMouse(5, 0);
  EXPECT_EQ(text(IDT_STATUS), " Select Menu");
  moveMouse(590, 500);
  EXPECT_EQ(text(IDT_STATUS), " Ready");
}

TEST_F(Handlers, InfoTipOnEveryRow) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  wchar_t buf[128] = L"File Path.";
  NMLVGETINFOTIPW tip{};
  tip.hdr.hwndFrom = control(IDL_SOURCES);
  tip.hdr.idFrom = IDL_SOURCES;
  tip.hdr.code = LVN_GETINFOTIPW;
  tip.pszText = buf;
  tip.cchTextMax = 128;
  tip.iItem = 0;
  SendMessageW(hwnd, WM_NOTIFY, IDL_SOURCES, reinterpret_cast<LPARAM>(&tip));
  EXPECT_EQ(platform::fromWide(buf), "Press Delete to remove item from list");
}

TEST_F(Handlers, HelpOpensTheFileBesideTheProgram) {
  writeSettings(true, false, false);
  openWindow();
  menu(IDM_HELP_CONTENTS);
  ASSERT_EQ(services.opened.size(), 1u);
  EXPECT_EQ(services.opened[0], programFolder() + "Help.chm");
  EXPECT_TRUE(errorLog().empty());
  services.openSucceeds = false;
  menu(IDM_HELP_CONTENTS);
  EXPECT_EQ(errorLog(), std::vector<std::string>{"Error opening help file from " + programFolder() + "Help.chm"});
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(Handlers, ExitAsksAndNoKeepsTheWindow) {
  openWindow();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "Are you sure, you want to exit ?    ");
  EXPECT_EQ(services.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(services.boxes[0].caption, dialog->appName());
  EXPECT_TRUE(IsWindow(hwnd));
  services.yesNoAnswer = IDYES;
  menu(IDM_FILE_EXIT);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(dialog->window(), nullptr);
}

TEST_F(Handlers, EnterAndEscapeNeverReachTheDialog) {
  openWindow();
  add(storeCopy("Inbox.dbx"));
  browse(dir.path());
  click(IDR_SAVE_EML);
  ASSERT_TRUE(enabled(IDB_CONVERT));
  SetFocus(control(IDB_ADD));
  for (WPARAM key : {static_cast<WPARAM>(VK_RETURN), static_cast<WPARAM>(VK_ESCAPE)}) {
    MSG msg{control(IDB_ADD), WM_KEYDOWN, key, 0, 0, {}};
    ui::filterDialogKeys(msg);
    EXPECT_EQ(msg.wParam, 0u);
    IsDialogMessageW(hwnd, &msg);
    pump();
  }
  EXPECT_EQ(text(IDB_CONVERT), "&Convert");  // Enter did not press the default button
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_TRUE(services.boxes.empty());
}

}  // namespace
}  // namespace qm::test
