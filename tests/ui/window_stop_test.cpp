// Stop and Exit while the worker is deep in a mail, Convert right after Stop, and a run that
// cannot start: the window never waits for the worker and never stays stuck in a run.
#include <atomic>
#include <chrono>
#include <functional>
#include <system_error>
#include <thread>

#include "mailstore/component_setup.h"
#include "mailstore/pst/pst_store.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/pst_read_back.h"
#include "tests/ui/window_fixture.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

// A real store file whose second mail takes its time to import, as a large attachment does:
// `slowImport` runs in its place before the mail is saved.
class SlowStore : public mail::StoreBackend {
 public:
  SlowStore(std::unique_ptr<mail::StoreBackend> file, std::function<void()> slowImport)
      : file_(std::move(file)), slowImport_(std::move(slowImport)) {}

  void ensureStandardFolders() override { file_->ensureStandardFolders(); }
  mail::FolderId rootFolder() override { return file_->rootFolder(); }
  std::optional<mail::FolderId> defaultFolder(mail::DefaultFolder which) override {
    return file_->defaultFolder(which);
  }
  std::vector<mail::FolderId> childFolders(mail::FolderId parent) override { return file_->childFolders(parent); }
  std::u16string folderName(mail::FolderId folder) override { return file_->folderName(folder); }
  std::string folderClass(mail::FolderId folder) override { return file_->folderClass(folder); }
  mail::FolderId addFolder(mail::FolderId parent, const std::u16string& name, const std::string& kind) override {
    return file_->addFolder(parent, name, kind);
  }
  void addMessage(mail::FolderId folder, const mail::Message& message, bool received) override {
    if (++added_ == 2) slowImport_();
    file_->addMessage(folder, message, received);
  }
  void flush() override { file_->flush(); }

 private:
  std::unique_ptr<mail::StoreBackend> file_;
  std::function<void()> slowImport_;
  int added_ = 0;
};

class StopFromWindow : public WindowTest {
 protected:
  void TearDown() override {
    release = true;
    WindowTest::TearDown();
    mail::useStandardComponents();
  }
  // The PST kind over SlowStores: the import of each store's second mail sleeps `pause`, or
  // with no pause waits until the test releases it.
  void useSlowStores(std::chrono::milliseconds pause) {
    mail::setPstBackendFactory([this, pause](const std::string& path, const std::u16string& name,
                                             const mail::StoreWarningHandler& warn) {
      return std::make_unique<SlowStore>(mail::createPstStore(path, name, mail::PstStoreOptions{warn}), [this, pause] {
        importing = true;
        if (pause.count() > 0) std::this_thread::sleep_for(pause);
        while (!release) std::this_thread::sleep_for(1ms);
      });
    });
  }
  void prepare(int kind) {
    openWindow();
    add(storeCopy("Sample.dbx"));
    platform::createDirectory(dir.file("out"));
    browse(dir.file("out"));
    click(kind);
  }
  bool inReadyState() {
    return text(IDB_CONVERT) == "&Convert" && text(IDT_SCAN) == "Ready to Scan" &&
           text(IDT_PROGRESS) == "Progress Report : Ready" && enabled(IDB_ADD) && !dialog->running;
  }
  std::vector<std::string> disabledInputs() {
    std::vector<std::string> wrong;
    for (int id : {IDB_ADD, IDB_SEARCH, IDB_BROWSE, IDL_SOURCES, IDR_SAVE_EML, IDR_SAVE_MSG, IDR_SAVE_PST,
                   IDR_SAVE_RTF, IDR_SAVE_DBX})
      if (enabled(id)) wrong.push_back("control " + std::to_string(id));
    for (UINT command : {IDM_FILE_OPEN, IDM_FILE_SEARCH, IDM_FILE_LOG, IDM_FILE_RECOVERY, IDM_FILE_CUSTOMIZE})
      if (menuEnabled(command)) wrong.push_back("menu " + std::to_string(command));
    return wrong;
  }
  static std::chrono::milliseconds timed(const std::function<void()>& action) {
    const auto before = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
  }
  std::string storeFile() const { return convert::test::findFile(dialog->destinationFolder, "Converted_Sample.pst"); }

  std::atomic<bool> importing{false};
  std::atomic<bool> release{true};
};

TEST_F(StopFromWindow, WhileAMailIsImportedTheWindowShowsWhereTheRunIs) {
  release = false;
  useSlowStores(0ms);
  prepare(IDR_SAVE_PST);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return importing.load(); }));
  pump();  // everything the worker reported before the second mail
  EXPECT_EQ(text(IDT_SCAN), "Scanning File : Sample.dbx");
  EXPECT_EQ(SendMessageW(control(IDP_FILE), PBM_GETPOS, 0, 0), 16);  // one mail of six
  EXPECT_EQ(text(IDT_PERCENT), "16 %");
  EXPECT_EQ(SendMessageW(control(IDP_OVERALL), PBM_GETPOS, 0, 0), 16);
  EXPECT_EQ(text(IDT_PROGRESS), "Progress Report : 16%");
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");
  EXPECT_EQ(disabledInputs(), std::vector<std::string>{});
}

TEST_F(StopFromWindow, StopDuringALongImportReturnsAtOnceAndTheWorkerLeavesTheFileComplete) {
  useSlowStores(2000ms);
  prepare(IDR_SAVE_PST);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return importing.load(); }));

  EXPECT_LT(timed([&] { press(IDB_CONVERT); }).count(), 100) << "Stop waited for the worker";
  EXPECT_TRUE(inReadyState());
  EXPECT_TRUE(checked(IDR_SAVE_PST));
  // The stopped worker finishes its mail meanwhile; nothing of it shows.
  const auto until = std::chrono::steady_clock::now() + 2500ms;
  while (std::chrono::steady_clock::now() < until) {
    pump();
    ASSERT_TRUE(inReadyState());
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(services.boxes.empty());
  const std::string destination = dialog->destinationFolder;
  closeWindowObject();  // the worker has ended once this returns
  EXPECT_EQ(convert::test::mailsInStoreFile(convert::test::findFile(destination, "Converted_Sample.pst")), 2u)
      << "the mail under way is saved whole and the file flushed";
}

TEST_F(StopFromWindow, ExitDuringALongImportClosesAtOnceAndTheProcessWaitsForTheFile) {
  useSlowStores(2000ms);
  prepare(IDR_SAVE_PST);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return importing.load(); }));
  services.yesNoAnswer = IDYES;
  const std::string destination = dialog->destinationFolder;
  EXPECT_LT(timed([&] { SendMessageW(hwnd, WM_CLOSE, 0, 0); }).count(), 100) << "Exit waited for the worker";
  EXPECT_FALSE(IsWindow(hwnd));
  // What the application does when its loop has ended: the window object goes, and with it
  // the worker, once its file is complete.
  closeWindowObject();
  EXPECT_EQ(convert::test::mailsInStoreFile(convert::test::findFile(destination, "Converted_Sample.pst")), 2u);
}

TEST_F(StopFromWindow, ConvertRightAfterStopDisablesEveryInputBeforeTheStoppedWorkerHasEnded) {
  release = false;
  useSlowStores(0ms);
  prepare(IDR_SAVE_PST);
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return importing.load(); }));
  press(IDB_CONVERT);  // Stop; the worker stays held in its import
  ASSERT_TRUE(inReadyState());

  press(IDB_CONVERT);  // a new run, whose thread waits for the held one
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");
  EXPECT_EQ(disabledInputs(), std::vector<std::string>{}) << "inputs left enabled";
  pump();
  EXPECT_EQ(disabledInputs(), std::vector<std::string>{});

  importing = false;
  release = true;
  ASSERT_TRUE(pumpUntil([&] {
    return !services.boxes.empty() && text(IDT_SCAN) == "Ready to Scan";
  }));
  EXPECT_EQ(services.boxes.back().text, "Files converted Successfully to " + dialog->destinationFolder + " folder");
}

TEST_F(StopFromWindow, AThreadThatCannotBeStartedIsLoggedAndTheWindowStaysUsable) {
  writeSettings(true, false, false);
  prepare(IDR_SAVE_EML);
  dialog->launchRunThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  press(IDB_CONVERT);
  pump();
  const auto errors = errorLog();
  EXPECT_NE(std::find(errors.begin(), errors.end(), "Error Creating thread"), errors.end());
  EXPECT_EQ(text(IDB_CONVERT), "&Stop");
  EXPECT_TRUE(enabled(IDB_ADD));
  EXPECT_TRUE(menuEnabled(IDM_FILE_OPEN));
  click(IDB_CONVERT);  // Stop leaves the running state
  EXPECT_TRUE(inReadyState());
}

TEST_F(StopFromWindow, AWorkerThatCannotJoinComGoesBackToTheReadyState) {
  prepare(IDR_SAVE_EML);
  dialog->initializeRunOle = [] { return false; };
  press(IDB_CONVERT);
  ASSERT_TRUE(pumpUntil([&] { return text(IDB_CONVERT) == "&Convert"; }, 10000)) << "stuck in \"&Stop\"";
  EXPECT_TRUE(inReadyState());
  EXPECT_TRUE(checked(IDR_SAVE_EML));
  EXPECT_TRUE(enabled(IDB_CONVERT));
  EXPECT_TRUE(services.boxes.empty());
}

}  // namespace
}  // namespace qm::test
