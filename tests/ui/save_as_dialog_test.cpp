// The Save As dialog over the test window: its start, the checks on the counter and the
// folder tag, the preview, what Next and Cancel leave in the window, and the folder names
// of the run that follows.
#include "platform/files.h"
#include "tests/ui/dialog_driver.h"
#include "tests/ui/window_fixture.h"
#include "ui/save_as_dialog.h"
#include "ui/save_as_ids.h"

namespace qm::test {
namespace {

class SaveAsTest : public WindowTest {
 protected:
  void openSaveAs(const std::string& destination = "D:\\Out",
                  convert::SaveOption option = convert::SAVEASPST) {
    if (!dialog) openWindow();
    dialog->destinationFolder = destination;
    dialog->saveOption = option;
    naming = std::make_unique<CSaveAsDlg>(*dialog, services);
    ASSERT_NE(naming->create(), nullptr);
    d.attach(naming->window());
  }
  std::string preview() const { return d.text(IDT_NAMING_PREVIEW); }
  // The naming members of the window, in one line.
  std::string stored() const {
    return std::to_string(dialog->fileCounterStart) + "|" + dialog->folderTag + "|" +
           std::to_string(dialog->useFileCounter) + std::to_string(dialog->useFolderTag) +
           std::to_string(dialog->useFileName) + std::to_string(dialog->useTypeTag);
  }

  std::unique_ptr<CSaveAsDlg> naming;
  DialogDriver d;
};

TEST_F(SaveAsTest, OpensWithTheDefaultsAndTheirPreview) {
  openSaveAs();
  wchar_t caption[32] = {};
  GetWindowTextW(d.window(), caption, 32);
  EXPECT_STREQ(caption, L"Save As");
  for (int id : {IDX_USE_COUNTER, IDX_USE_FOLDER_TAG, IDX_USE_FILE_NAME, IDX_USE_TYPE_TAG})
    EXPECT_TRUE(d.checked(id)) << id;
  EXPECT_EQ(d.text(IDE_COUNTER), "1");
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), "Converted");
  EXPECT_EQ(d.text(IDE_FILE_NAME), "FileName");
  EXPECT_EQ(d.text(IDE_TYPE_TAG), "As_PST");
  EXPECT_EQ(preview(), " D:\\Out\\\n 1_Converted_FileName_As_PST\\...");
  EXPECT_EQ(d.text(IDT_COUNTER), "File Counter : ");
  EXPECT_EQ(d.text(IDT_TYPE_TAG), "Conversion type Tag:");
  EXPECT_EQ(d.text(IDB_NAMING_NEXT), "Next");
  EXPECT_EQ(d.text(IDB_NAMING_CANCEL), "Cancel");
  // The file name is always part of the name; the type tag's text is the option's own.
  for (int id : {IDX_USE_FILE_NAME, IDT_FILE_NAME, IDE_FILE_NAME, IDT_TYPE_TAG, IDE_TYPE_TAG})
    EXPECT_FALSE(d.enabled(id)) << id;
  for (int id : {IDX_USE_COUNTER, IDT_COUNTER, IDE_COUNTER, IDX_USE_FOLDER_TAG, IDT_FOLDER_TAG,
                 IDE_FOLDER_TAG, IDX_USE_TYPE_TAG})
    EXPECT_TRUE(d.enabled(id)) << id;
  EXPECT_NE(GetWindowLongW(d.control(IDE_COUNTER), GWL_STYLE) & ES_NUMBER, 0);
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(SaveAsTest, TypeTagOfDbxReadsAsType) {
  openSaveAs("C:\\d", convert::SAVEASDBX);
  EXPECT_EQ(d.text(IDE_TYPE_TAG), "As_TYPE");
  EXPECT_EQ(preview(), " C:\\d\\\n 1_Converted_FileName_As_TYPE\\...");
}

TEST_F(SaveAsTest, SixthDigitIsRefusedAndTheFiveStay) {
  openSaveAs();
  d.type(IDE_COUNTER, "12345");
  EXPECT_TRUE(services.boxes.empty());
  d.type(IDE_COUNTER, "123456");
  EXPECT_EQ(boxTexts(services), std::vector<std::string>{"Counter should not exceed 5 digits"});
  EXPECT_EQ(services.boxes[0].caption, dialog->appName());
  EXPECT_EQ(services.boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(d.text(IDE_COUNTER), "12345");
  EXPECT_EQ(preview(), " D:\\Out\\\n 12345_Converted_FileName_As_PST\\...");
}

TEST_F(SaveAsTest, PastedLettersNeverStayInTheCounter) {
  openSaveAs();
  d.type(IDE_COUNTER, "42");
  d.type(IDE_COUNTER, "4x2");
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(d.text(IDE_COUNTER), "42");
  d.click(IDB_NAMING_NEXT);
  EXPECT_EQ(dialog->fileCounterStart, 42);
}

TEST_F(SaveAsTest, FolderTagRefusesForbiddenCharactersAndMoreThanFifty) {
  openSaveAs();
  d.type(IDE_FOLDER_TAG, "a/b");
  EXPECT_EQ(boxTexts(services), std::vector<std::string>{"Folder Tag cannot contain following characters: \\/:*?<>|"});
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), "Converted");
  d.type(IDE_FOLDER_TAG, "say \"hi\"");  // the double quote too, though the message omits it
  EXPECT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), "Converted");

  const std::string fifty(50, 'f');
  d.type(IDE_FOLDER_TAG, fifty);
  EXPECT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), fifty);
  d.type(IDE_FOLDER_TAG, fifty + "g");
  ASSERT_EQ(services.boxes.size(), 3u);
  EXPECT_EQ(services.boxes[2].text, "Folder Tag should not exceed 50 characters");
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), fifty);
  EXPECT_EQ(preview(), " D:\\Out\\\n 1_" + std::string(50, 'f') + "_Fi leName_As_PST\\...");
}

TEST_F(SaveAsTest, FolderTagThatWouldLeaveTheDestinationIsRefused) {
  openSaveAs();
  d.type(IDE_FOLDER_TAG, "..");
  EXPECT_EQ(boxTexts(services),
            std::vector<std::string>{"Folder Tag cannot contain \"..\": the output folders must stay inside the destination"});
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), "Converted");
  d.click(IDB_NAMING_NEXT);
  EXPECT_EQ(stored(), "1|Converted|1111");
}

TEST_F(SaveAsTest, SwitchesEnableTheirEditsAndShapeThePreview) {
  openSaveAs();
  d.click(IDX_USE_COUNTER);
  EXPECT_FALSE(d.enabled(IDT_COUNTER));
  EXPECT_FALSE(d.enabled(IDE_COUNTER));
  EXPECT_EQ(preview(), " D:\\Out\\\n Converted_FileName_As_PST\\...");
  d.click(IDX_USE_FOLDER_TAG);
  EXPECT_FALSE(d.enabled(IDT_FOLDER_TAG));
  EXPECT_FALSE(d.enabled(IDE_FOLDER_TAG));
  d.click(IDX_USE_TYPE_TAG);
  EXPECT_EQ(preview(), " D:\\Out\\\n FileName_\\...");
  EXPECT_FALSE(d.enabled(IDE_TYPE_TAG));
  d.click(IDX_USE_COUNTER);
  EXPECT_TRUE(d.enabled(IDT_COUNTER));
  EXPECT_TRUE(d.enabled(IDE_COUNTER));
  EXPECT_EQ(preview(), " D:\\Out\\\n 1_FileName_\\...");

  d.click(IDB_NAMING_NEXT);
  EXPECT_FALSE(d.open());
  EXPECT_EQ(naming->result(), IDOK);
  EXPECT_EQ(stored(), "1|Converted|1010");
}

TEST_F(SaveAsTest, NextStoresTheCounterAsAtoiReadsIt) {
  openSaveAs();
  d.type(IDE_COUNTER, "007");
  d.type(IDE_FOLDER_TAG, "Old Mail");
  EXPECT_EQ(preview(), " D:\\Out\\\n 007_Old Mail_FileName_As_PST\\...");
  d.click(IDB_NAMING_NEXT);
  EXPECT_EQ(stored(), "7|Old Mail|1111");
}

TEST_F(SaveAsTest, EmptyCounterShowsItsUnderscoreAndStoresZero) {
  openSaveAs();
  d.type(IDE_COUNTER, "");
  EXPECT_EQ(preview(), " D:\\Out\\\n _Converted_FileName_As_PST\\...");
  d.click(IDB_NAMING_NEXT);
  EXPECT_EQ(dialog->fileCounterStart, 0);
}

TEST_F(SaveAsTest, CancelAndTheCloseBoxKeepWhatAnEarlierNextStored) {
  openSaveAs();
  d.type(IDE_FOLDER_TAG, "First");
  d.click(IDB_NAMING_NEXT);
  ASSERT_EQ(stored(), "1|First|1111");

  openSaveAs();  // starts from the defaults again, not from what Next stored
  EXPECT_EQ(d.text(IDE_FOLDER_TAG), "Converted");
  d.type(IDE_FOLDER_TAG, "Second");
  d.click(IDX_USE_COUNTER);
  d.click(IDB_NAMING_CANCEL);
  EXPECT_FALSE(d.open());
  EXPECT_EQ(naming->result(), IDCANCEL);
  EXPECT_EQ(stored(), "1|First|1111");

  openSaveAs();
  d.type(IDE_FOLDER_TAG, "Third");
  SendMessageW(d.window(), WM_COMMAND, IDCANCEL, 0);  // Escape: nothing
  EXPECT_TRUE(d.open());
  d.close();
  EXPECT_FALSE(d.open());
  EXPECT_EQ(stored(), "1|First|1111");
}

TEST_F(SaveAsTest, LongDestinationIsSpacedEvery57Characters) {
  const std::string destination = "C:\\" + std::string(60, 'd');
  openSaveAs(destination);
  EXPECT_EQ(preview(), " C:\\" + std::string(53, 'd') + " " + std::string(7, 'd') + "\\\n" +
                           " 1_Converted_FileName_As_PST\\...");
}

// The real modal run: Enter does not press the default button Next; the close box leaves
// the stored names alone.
TEST_F(SaveAsTest, RunsModallyAndEnterDoesNotPressNext) {
  openWindow();
  dialog->folderTag = "Kept";
  ui::Win32Services real;
  ui::NamingChoice choice = ui::NamingChoice::Continue;
  const ModalPlay play = playModal(L"Save As", IDE_COUNTER, VK_RETURN,
                                   [&] { choice = real.runNamingDialog(*dialog); });
  EXPECT_NE(play.seen, nullptr);
  EXPECT_TRUE(play.ownerDisabled);
  EXPECT_GE(play.ticks, 2);
  EXPECT_EQ(choice, ui::NamingChoice::Cancelled);
  EXPECT_EQ(stored(), "1|Kept|1111");
  EXPECT_TRUE(IsWindowEnabled(hwnd));
}

// Convert with custom names on: the dialog comes first and the run names its folders from
// what it stored.
class NamedRunTest : public SaveAsTest {
 protected:
  // Plays the dialog when Convert shows it: types the counter, then Next or Cancel.
  void playNaming(const std::string& counter, bool next) {
    services.onNaming = [this, counter, next](CRAROvavodizDlg& main) {
      CSaveAsDlg saveAs(main, services);
      DialogDriver driver;
      driver.attach(saveAs.create());
      previewSeen = driver.text(IDT_NAMING_PREVIEW);
      driver.type(IDE_COUNTER, counter);
      driver.click(next ? IDB_NAMING_NEXT : IDB_NAMING_CANCEL);
      return next ? ui::NamingChoice::Continue : ui::NamingChoice::Cancelled;
    };
  }
  // Two stores, a destination and EML, then Convert; waits for the run's end.
  void convertTwoStores() {
    writeSettings(false, false, true);
    openWindow();
    add(storeCopy("Inbox.dbx"));
    add(storeCopy("Sent.dbx"));
    platform::createDirectory(dir.file("out"));
    browse(dir.file("out"));
    click(IDR_SAVE_EML);
    click(IDB_CONVERT);
    ASSERT_EQ(services.namingDialogs, 1);
    ASSERT_TRUE(pumpUntil([&] {
      for (const auto& b : services.boxes)
        if (b.text.rfind("Files converted Successfully to ", 0) == 0) return true;
      return false;
    }));
  }
  bool made(const std::string& folder) const {
    return platform::isDirectory(dialog->destinationFolder + "\\" + folder);
  }
  std::string previewSeen;
};

TEST_F(NamedRunTest, CounterOf007NamesTheFolders7And8) {
  playNaming("007", true);
  convertTwoStores();
  // The dialog opened on the defaults, under the run's destination.
  const std::string& destination = dialog->destinationFolder;
  ASSERT_GT(destination.size(), 56u);
  std::string firstSpaced = " ";
  firstSpaced.append(destination, 0, 56).push_back(' ');
  EXPECT_EQ(previewSeen.rfind(firstSpaced, 0), 0u);
  EXPECT_EQ(previewSeen.substr(previewSeen.find('\n')), "\n 1_Converted_FileName_As_EML\\...");
  EXPECT_TRUE(made("7_Converted_Inbox_As_EML"));
  EXPECT_TRUE(made("8_Converted_Sent_As_EML"));
}

TEST_F(NamedRunTest, EmptyCounterStartsTheFoldersAtZero) {
  playNaming("", true);
  convertTwoStores();
  EXPECT_TRUE(made("0_Converted_Inbox_As_EML"));
  EXPECT_TRUE(made("1_Converted_Sent_As_EML"));
}

TEST_F(NamedRunTest, CancelledDialogRunsWithTheNamesInForce) {
  playNaming("5", false);
  convertTwoStores();
  EXPECT_TRUE(made("1_Converted_Inbox_As_EML"));
  EXPECT_TRUE(made("2_Converted_Sent_As_EML"));
}

}  // namespace
}  // namespace qm::test
