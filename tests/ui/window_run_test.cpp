// Convert and Stop from the window, on the bundled sample store: a run to its end, Stop in
// the middle followed at once by a new run, Exit during a run, and non-ASCII names.
#include <algorithm>

#include "convert/conversion_worker.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/msg_read_back.h"
#include "tests/convert/pst_read_back.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"
#include "tests/ui/window_fixture.h"

namespace qm::test {
namespace {

using convert::test::snapshot;

class RunFromWindow : public WindowTest {
 protected:
  // Lists the stores, chooses a destination in the test's folder and the output kind.
  void prepare(const std::vector<std::string>& stores, int kind = IDR_SAVE_EML) {
    openWindow();
    for (const auto& s : stores) add(s);
    platform::createDirectory(dir.file("out"));
    browse(dir.file("out"));
    click(kind);
    ASSERT_TRUE(enabled(IDB_CONVERT));
  }
  std::vector<std::string> copies(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(storeCopy("Store" + std::to_string(i) + ".dbx"));
    return out;
  }
  bool completionShown() const {
    return std::any_of(services.boxes.begin(), services.boxes.end(), [](const FakeServices::Box& b) {
      return b.text.rfind("Files converted Successfully to ", 0) == 0;
    });
  }
  int completions() const {
    return static_cast<int>(std::count_if(services.boxes.begin(), services.boxes.end(), [](const FakeServices::Box& b) {
      return b.text.rfind("Files converted Successfully to ", 0) == 0;
    }));
  }
  bool midRun() {
    return pumpUntil([&] { return text(IDT_SCAN).rfind("Scanning File : ", 0) == 0; });
  }
  // What a run without a window writes for the same stores and settings.
  std::map<std::string, std::string> reference(const std::vector<std::string>& stores) {
    convert::RunSettings settings;
    for (const auto& s : stores) settings.sources.push_back(convert::sourceRowFor(s));
    settings.destinationFolder = dir.file("reference");
    platform::createDirectory(settings.destinationFolder);
    convert::SettingsInput input(settings);
    convert::test::RunRecorder view(dir.path());
    convert::CancelToken token;
    convert::ConversionWorker(input, view, token).run();
    return snapshot(settings.destinationFolder);
  }
};

TEST_F(RunFromWindow, EmlRunToTheEndMatchesARunWithoutWindow) {
  writeSettings(true, false, false);
  const std::string store = storeCopy("Sample.dbx");
  prepare({store});
  press(IDB_CONVERT);
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");
  EXPECT_TRUE(dialog->running);
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }));
  pump();

  const auto& box = services.boxes.back();
  EXPECT_EQ(box.text, "Files converted Successfully to " + dialog->destinationFolder + " folder");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(text(IDB_CONVERT), "&Convert");
  EXPECT_FALSE(dialog->running);
  EXPECT_FALSE(checked(IDR_SAVE_EML));
  EXPECT_FALSE(enabled(IDB_CONVERT));
  EXPECT_TRUE(enabled(IDB_ADD));
  EXPECT_TRUE(enabled(IDR_SAVE_EML));
  EXPECT_TRUE(menuEnabled(IDM_FILE_OPEN));
  EXPECT_EQ(text(IDT_PROGRESS), "Progress Report : Ready");
  EXPECT_EQ(SendMessageW(control(IDP_OVERALL), PBM_GETPOS, 0, 0), 0);

  const auto written = snapshot(dialog->destinationFolder);
  ASSERT_FALSE(written.empty());
  EXPECT_TRUE(written.count("1_Converted_Sample_As_EML/Sample_000001.eml"));
  EXPECT_EQ(written, reference({store}));

  const auto log = execLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "Thread created successfully"), log.end());
}

TEST_F(RunFromWindow, PstRunToTheEndWritesASoundFileWithEveryMail) {
  mail::useStandardComponents();
  writeSettings(true, false, false);
  const std::string store = storeCopy("Sample.dbx");
  prepare({store}, IDR_SAVE_PST);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }));
  pump();
  const std::string pst = convert::test::findFile(dialog->destinationFolder, "Converted_Sample.pst");
  ASSERT_FALSE(pst.empty());
  EXPECT_EQ(convert::test::mailsInStoreFile(pst), 6u);
  const auto log = execLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "SAVEASPST Recovery Succeeded for file " + store), log.end());
}

// Converting again into the same destination replaces the earlier run's mails and nothing
// else: a store and a note the user keeps in the output folder stay.
TEST_F(RunFromWindow, ASecondRunIntoTheSameFolderReplacesOnlyItsOwnOutput) {
  const std::string store = storeCopy("Sample.dbx");
  prepare({store});
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }));
  const std::string folder = dialog->destinationFolder + "\\1_Converted_Sample_As_EML";
  writeFile(folder + "\\Sample_000099.eml", std::string("an earlier run's mail"));
  writeFile(folder + "\\notes.txt", std::string("mine"));
  writeFile(folder + "\\Sample.dbx", readFile(store));

  click(IDR_SAVE_EML);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completions() == 2 && text(IDT_SCAN) == "Ready to Scan"; }));
  pump();
  std::vector<std::string> names;
  for (const auto& e : platform::listDirectory(folder)) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Sample.dbx", "Sample_000001.eml", "Sample_000002.eml",
                                             "Sample_000003.eml", "Sample_000004.eml", "Sample_000005.eml",
                                             "Sample_000006.eml", "notes.txt"}));
  EXPECT_EQ(readFile(folder + "\\notes.txt"), "mine");
  EXPECT_EQ(readFile(folder + "\\Sample.dbx"), readFile(store));
  EXPECT_EQ(platform::listDirectory(dialog->destinationFolder).size(), 1u) << "no second folder";
}

TEST_F(RunFromWindow, MsgRunToTheEndWritesASoundFilePerMail) {
  mail::useStandardComponents();
  writeSettings(true, false, false);
  const std::string store = storeCopy("Sample.dbx");
  prepare({store}, IDR_SAVE_MSG);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }));
  pump();
  for (int n = 1; n <= 6; ++n) {
    const std::string name = "Converted_msg_00000" + std::to_string(n) + ".msg";
    const std::string msg = convert::test::findFile(dialog->destinationFolder, name);
    ASSERT_FALSE(msg.empty()) << name;
    EXPECT_EQ(convert::test::messageFileProblems(msg), std::vector<std::string>{}) << name;
  }
  const auto log = execLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "SAVEASMSG Convertion Succeeded for file " + store), log.end());
}

TEST_F(RunFromWindow, ControlsDuringARun) {
  prepare(copies(30));
  press(IDB_CONVERT);
  ASSERT_TRUE(midRun());
  EXPECT_FALSE(enabled(IDB_ADD));
  EXPECT_FALSE(enabled(IDL_SOURCES));
  EXPECT_FALSE(enabled(IDR_SAVE_EML));
  EXPECT_FALSE(menuEnabled(IDM_FILE_LOG));
  EXPECT_FALSE(menuEnabled(IDM_FILE_OPEN));
  EXPECT_TRUE(enabled(IDB_CONVERT));
  moveMouse(500, 460);
  EXPECT_EQ(text(IDT_STATUS), " Click Stop button to stop convertion.");
  moveMouse(100, 150);  // the disabled list passes the mouse to the window
  EXPECT_EQ(text(IDT_STATUS), " Convert file list.");
}

TEST_F(RunFromWindow, StopThenConvertAtOnceStartsAnUndisturbedRun) {
  writeSettings(true, false, false);
  const auto stores = copies(30);
  prepare(stores);
  press(IDB_CONVERT);
  ASSERT_TRUE(midRun());

  press(IDB_CONVERT);  // Stop
  EXPECT_EQ(text(IDB_CONVERT), "&Convert");
  EXPECT_FALSE(dialog->running);
  EXPECT_EQ(text(IDT_SCAN), "Ready to Scan");
  EXPECT_EQ(text(IDT_PROGRESS), "Progress Report : Ready");
  EXPECT_EQ(SendMessageW(control(IDP_FILE), PBM_GETPOS, 0, 0), 0);
  EXPECT_TRUE(checked(IDR_SAVE_EML));
  EXPECT_TRUE(enabled(IDB_CONVERT));
  EXPECT_TRUE(enabled(IDB_ADD));
  const auto log = execLog();
  EXPECT_EQ(log.back(), "Succeeded CRAROvavodizDlg::OnRecoverbutton()");
  EXPECT_EQ(log[log.size() - 2], "Thread stopped successfully by user");
  // The stopped run, still winding down, shows nothing more.
  const DWORD until = GetTickCount() + 300;
  while (GetTickCount() < until) {
    pump();
    ASSERT_EQ(text(IDT_SCAN), "Ready to Scan");
    ASSERT_EQ(SendMessageW(control(IDP_FILE), PBM_GETPOS, 0, 0), 0);
    Sleep(5);
  }
  EXPECT_TRUE(services.boxes.empty());

  press(IDB_CONVERT);  // a new run at once
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }, 120000));
  pump();
  EXPECT_EQ(completions(), 1);
  EXPECT_EQ(snapshot(dialog->destinationFolder), reference(stores));
}

TEST_F(RunFromWindow, ExitDuringARunEndsItWithoutCompletion) {
  prepare(copies(30));
  press(IDB_CONVERT);
  ASSERT_TRUE(midRun());
  services.yesNoAnswer = IDNO;
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");  // No: the run goes on

  services.yesNoAnswer = IDYES;
  const std::string destination = dialog->destinationFolder;
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  const auto atExit = snapshot(destination);
  closeWindowObject();  // the stopped run's thread winds down
  EXPECT_EQ(services.boxes.size(), 2u);  // the two questions, no completion
  Sleep(200);
  EXPECT_EQ(snapshot(destination), atExit);  // nothing written after Exit
}

TEST_F(RunFromWindow, CustomizeShowsTheNamingDialogFirst) {
  writeSettings(false, false, true);
  prepare({storeCopy("Sample.dbx")});
  dialog->folderTag = "Mine";
  click(IDB_CONVERT);
  EXPECT_EQ(services.namingDialogs, 1);
  ASSERT_TRUE(pumpUntil([&] { return completionShown(); }));
  EXPECT_TRUE(platform::isDirectory(dialog->destinationFolder + "\\1_Mine_Sample_As_EML"));
}

TEST_F(RunFromWindow, NonAsciiStoresAreConvertedAndNamed) {
  prepare({storeCopy("Входящие.dbx"), storeCopy("Boîte de réception.dbx")});
  click(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completionShown(); }));
  const auto written = snapshot(dialog->destinationFolder);
  EXPECT_TRUE(written.count("1_Converted_Входящие_As_EML/Входящие_000001.eml"));
  EXPECT_TRUE(written.count("2_Converted_Boîte de réception_As_EML/Boîte de réception_000001.eml"));
}

TEST_F(RunFromWindow, SaveAsRtfWritesADocumentPerMailWithItsAttachments) {
  mail::useStandardComponents();
  writeSettings(true, false, false);
  const std::string store = storeCopy("Sample.dbx");
  prepare({store}, IDR_SAVE_RTF);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return completionShown() && text(IDT_SCAN) == "Ready to Scan"; }));
  pump();
  std::vector<std::string> documents;
  for (const auto& [name, contents] : snapshot(dialog->destinationFolder)) {
    if (name.size() > 4 && name.substr(name.size() - 4) == ".rtf") {
      documents.push_back(name.substr(name.find('/') + 1));
      EXPECT_EQ(contents.rfind("{\\rtf1", 0), 0u) << name;
    }
  }
  EXPECT_EQ(documents, (std::vector<std::string>{"Converted_msg_000001.rtf", "Converted_msg_000002.rtf",
                                                 "Converted_msg_000003.rtf", "Converted_msg_000004.rtf",
                                                 "Converted_msg_000005.rtf", "Converted_msg_000006.rtf"}));
  const auto log = execLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "SAVEASRTF Convertion Succeeded for file " + store), log.end());
}

}  // namespace
}  // namespace qm::test
