// The PST output kind driven by the worker over an in-memory store: its log lines, message
// boxes, the folder it picks, and every way a file's conversion can end early.
#include "convert/pst_mode.h"
#include "convert/run_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "mailstore/memory_store.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"

namespace qm::convert::test {
namespace {

using mail::MemoryStore;
using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};

// A memory store that can be given folders in advance and made to fail.
class TestStore : public MemoryStore {
 public:
  using MemoryStore::MemoryStore;
  std::function<void(const std::u16string& name)> onAddFolder;
  std::function<void(int mail)> onAddMessage;
  std::function<void()> onFlush;

  mail::FolderId addFolder(mail::FolderId parent, const std::u16string& name,
                           const std::string& containerClass) override {
    if (onAddFolder) onAddFolder(name);
    return MemoryStore::addFolder(parent, name, containerClass);
  }
  void addMessage(mail::FolderId folder, const mail::Message& message, bool received) override {
    if (onAddMessage) onAddMessage(added_++);
    MemoryStore::addMessage(folder, message, received);
  }
  void flush() override {
    if (onFlush) onFlush();
    MemoryStore::flush();
  }
  std::size_t added() const { return static_cast<std::size_t>(added_); }

 private:
  int added_ = 0;
};

class PstModeRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::createDirectory(dir.file("out"))); }

  // Runs the mode over the stores with sessions whose store files are TestStores.
  int run(const std::vector<std::string>& stores) { return run(stores, recorder); }
  int run(const std::vector<std::string>& stores, RunRecorder& view) {
    RunSettings settings = emlSettings(stores, dir.file("out"));
    settings.saveOption = SAVEASPST;
    SettingsInput input(settings);
    ConversionWorker worker(input, view, token, view.environment(kStamp), [this](std::int32_t) {
      return std::make_unique<PstMode>(sessions);
    });
    return worker.run();
  }

  // Sessions over TestStores, each set up by `prepare` (folders made before the run).
  StoreSession::SessionFactory storeSessions() {
    return [this] {
      mail::ComponentSetup setup;
      setup.storeFactory = [this](const std::string& path, const std::u16string& name,
                                  const mail::StoreWarningHandler&) -> std::unique_ptr<mail::StoreBackend> {
        auto store = std::make_unique<TestStore>(name);
        paths.push_back(path);
        if (prepare) prepare(*store);
        made.push_back(store.get());
        return store;
      };
      return std::make_unique<mail::RDOSession>(setup);
    };
  }

  const MemoryStore::StoredMail* mailIn(TestStore& store, const std::u16string& folder, std::size_t i) {
    for (const auto id : store.childFolders(store.rootFolder()))
      if (store.folderName(id) == folder && i < store.mails(id).size()) return &store.mails(id)[i];
    return nullptr;
  }

  TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;
  StoreSession::SessionFactory sessions = storeSessions();
  std::function<void(TestStore&)> prepare;
  std::vector<std::string> paths;
  std::vector<TestStore*> made;  // valid while their session lives: during the run only
};

TEST_F(PstModeRun, EachStoreGetsItsOwnFileWithItsMailsInAFolderNamedAfterIt) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a1"), longMail("a2", 1500)});
  const auto b = writeStore(dir.file("B.dbx"), {});
  std::vector<std::string> seen;
  recorder.after = [&](const std::string& event) {
    // The store is looked at when its file is done, before its objects are released.
    if (event.rfind("fileFinished: ", 0) != 0) return;
    TestStore& store = *made.back();
    std::string line = platform::utf16ToUtf8(store.displayName()) + ":";
    for (const auto id : store.childFolders(store.rootFolder())) {
      line += " " + platform::utf16ToUtf8(store.folderName(id)) + "(" + store.folderClass(id) + ")=" +
              std::to_string(store.mails(id).size());
    }
    seen.push_back(line);
    if (const auto* m = mailIn(store, u"A", 1)) {
      EXPECT_TRUE(m->received) << "mails are stored as received and read";
      EXPECT_EQ(m->message.subject, u"a2");
    }
  };
  EXPECT_EQ(run({a, b}), 0);

  EXPECT_EQ(seen, (std::vector<std::string>{
      "Tarnwick Converted Mails: Inbox(IPF.Note)=0 Outbox(IPF.Note)=0 Sent Items(IPF.Note)=0 "
      "Deleted Items(IPF.Note)=0 A(IPF.Note)=2",
      "Tarnwick Converted Mails: Inbox(IPF.Note)=0 Outbox(IPF.Note)=0 Sent Items(IPF.Note)=0 "
      "Deleted Items(IPF.Note)=0 B(IPF.Note)=0"}));
  const std::string sep(1, platform::pathSeparator());
  EXPECT_EQ(paths, (std::vector<std::string>{
      dir.file("out") + sep + "1_Converted_A_As_PST" + sep + "Converted_A.pst",
      dir.file("out") + sep + "2_Converted_B_As_PST" + sep + "Converted_B.pst"}));
  EXPECT_TRUE(inOrder(recorder.events(), {
      "exec: In SAVEASPST", "exec: session created", "error: LogonPstStore created",
      "exec: In <root>/A.dbx file 2 convertable mails were found", "mailDone: 0/2 saved", "mailDone: 1/2 saved",
      "exec: SAVEASPST Recovery Succeeded for file <root>/A.dbx",
      "exec: Temp Directory clean successfully", "exec: DBX File closed", "fileFinished: 0 found=2 saved=2 failed=0",
      "exec: In SAVEASPST", "exec: In <root>/B.dbx file 0 convertable mails were found",
      "exec: SAVEASPST Recovery Succeeded for file <root>/B.dbx", "runEnded: completed to <root>/out"}));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty()) << "the temporary .eml files and folders are gone";
}

TEST_F(PstModeRun, AFolderOfExactlyTheStoresNameIsReusedAndOneDifferingInCaseIsNot) {
  const auto store = writeStore(dir.file("Mail.dbx"), {shortMail("m")});
  prepare = [](TestStore& s) {
    s.addFolder(s.rootFolder(), u"mail", "IPF.Note");
    s.addFolder(s.rootFolder(), u"Mail", "IPF.Note");
  };
  std::vector<std::string> seen;
  recorder.after = [&](const std::string& event) {
    if (event.rfind("fileFinished: ", 0) != 0) return;
    TestStore& s = *made.back();
    std::string line;
    for (const auto id : s.childFolders(s.rootFolder()))
      line += platform::utf16ToUtf8(s.folderName(id)) + "=" + std::to_string(s.mails(id).size()) + " ";
    seen.push_back(line);
  };
  EXPECT_EQ(run({store}), 0);
  prepare = [](TestStore& s) { s.addFolder(s.rootFolder(), u"mail", "IPF.Note"); };
  EXPECT_EQ(run({store}), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"mail=0 Mail=1 Inbox=0 Outbox=0 Sent Items=0 Deleted Items=0 ",
                                            "mail=0 Inbox=0 Outbox=0 Sent Items=0 Deleted Items=0 Mail=1 "}));
}

TEST_F(PstModeRun, SetUpFailuresShowTheirMessageLogTheirLineAndEndTheRun) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b")});
  struct Case {
    const char* what;
    StoreSession::SessionFactory sessions;
    std::function<void(TestStore&)> prepare;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"no session", [] { return std::unique_ptr<mail::RDOSession>(); }, {},
       {"message(error): Could not create connection with Microsoft Outlook", "error: Could not create session"}},
      {"session throws", []() -> std::unique_ptr<mail::RDOSession> { throw std::runtime_error("no"); }, {},
       {"error: Exception while creating session"}},
      {"no store kind", [] { return std::make_unique<mail::RDOSession>(mail::ComponentSetup{}); }, {},
       {"exec: session created", "message(error): Could not create Output PST file",
        "error: Could not create LogonPstStore"}},
      {"folder cannot be added", storeSessions(),
       [](TestStore& s) { s.onAddFolder = [](const std::u16string& n) {
           if (n == u"A") throw mail::StoreError("no room");
         }; },
       {"error: LogonPstStore created", "error: Exception while creating folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunRecorder view(dir.path());
    sessions = c.sessions;
    prepare = c.prepare;
    EXPECT_EQ(run({a, b}, view), -1);
    const auto events = view.events();
    EXPECT_TRUE(inOrder(events, c.expected));
    EXPECT_EQ(events.back(), "runEnded: failed: " + c.expected.back().substr(std::string("error: ").size()));
    for (const auto& e : events) {
      EXPECT_EQ(e.find("B.dbx"), std::string::npos) << "the run ends with the first store: " << e;
      EXPECT_EQ(e.find("Succeeded"), std::string::npos) << e;
    }
  }
}

TEST_F(PstModeRun, AMailTheStoreRefusesIsLoggedByIndexAndTheRestAreSaved) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  prepare = [](TestStore& s) {
    s.onAddMessage = [](int mail) {
      if (mail == 1) throw std::logic_error("cannot take this one");
    };
  };
  std::size_t saved = 0;
  recorder.after = [&](const std::string& event) {
    if (event.rfind("fileFinished: ", 0) == 0) saved = mailIn(*made.back(), u"A", 1) ? 2 : 1;
  };
  EXPECT_EQ(run({a}), 0);
  EXPECT_EQ(saved, 2u);
  EXPECT_TRUE(inOrder(recorder.events(), {
      "mailDone: 0/3 saved", "error: Exception while importing and saving mail : 1",
      "mailDone: 1/3 failed", "mailDone: 2/3 saved", "exec: SAVEASPST Recovery Succeeded for file <root>/A.dbx",
      "fileFinished: 0 found=3 saved=2 failed=1", "runEnded: completed to <root>/out"}));
}

TEST_F(PstModeRun, AStoreFileThatCanNoLongerBeWrittenEndsTheRunWithAnErrorNotASuccess) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b")});
  prepare = [](TestStore& s) {
    s.onAddMessage = [](int mail) {
      if (mail == 1) throw mail::StoreError("the disk is full");
    };
  };
  EXPECT_EQ(run({a, b}), -1);
  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {
      "mailDone: 0/3 saved", "error: Exception while importing and saving mail : 1",
      "message(error): Could not write Output PST file:\nsaving a mail: the disk is full",
      "error: Could not write Output PST file: saving a mail: the disk is full"}));
  EXPECT_EQ(events.back(), "runEnded: failed: Could not write Output PST file: saving a mail: the disk is full");
  for (const auto& e : events) {
    EXPECT_EQ(e.find("mailDone: 2/3"), std::string::npos) << e;
    EXPECT_EQ(e.find("Succeeded"), std::string::npos) << e;
  }
}

TEST_F(PstModeRun, StopInTheMailLoopFlushesTheSavedMailsAndEndsTheRunBeforeTheNextMail) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  std::vector<std::size_t> flushed;  // mails in the store at each flush
  std::size_t added = 0;
  prepare = [&](TestStore& s) {
    s.onFlush = [&flushed, &s] { flushed.push_back(s.added()); };
    s.onAddMessage = [&added](int) { ++added; };
  };
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 1/3 saved") token.stop();
  };
  EXPECT_EQ(run({a}), -1);
  const auto events = recorder.events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], "mailDone: 1/3 saved") << "nothing is shown or logged after Stop";
  EXPECT_EQ(events.back(), "runEnded: stopped");
  EXPECT_EQ(added, 2u);
  ASSERT_FALSE(flushed.empty()) << "Stop leaves the store with what was saved";
  EXPECT_EQ(flushed.front(), 2u);
}

TEST_F(PstModeRun, StopDuringALongImportReturnsAtOnceAndTheWorkerCompletesTheMailAndTheFile) {
  using namespace std::chrono;
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  std::atomic<bool> importing{false};
  std::thread::id flushedOn;
  std::size_t flushedMails = 0;
  prepare = [&](TestStore& s) {
    s.onAddMessage = [&importing](int mail) {
      if (mail != 1) return;
      importing = true;
      std::this_thread::sleep_for(2s);  // a large attachment
    };
    s.onFlush = [&flushedOn, &flushedMails, &s] {
      flushedOn = std::this_thread::get_id();
      flushedMails = s.added();
    };
  };
  RunThread thread;
  std::thread::id worker;
  std::atomic<int> result{1};
  thread.start([&](CancelToken& runToken) {
    worker = std::this_thread::get_id();
    RunSettings settings = emlSettings({a}, dir.file("out"));
    settings.saveOption = SAVEASPST;
    SettingsInput input(settings);
    result = ConversionWorker(input, recorder, runToken, recorder.environment(kStamp),
                              [this](std::int32_t) { return std::make_unique<PstMode>(sessions); })
                 .run();
  });
  while (!importing) std::this_thread::sleep_for(1ms);
  const auto before = steady_clock::now();
  thread.stop();
  const auto took = steady_clock::now() - before;
  const auto atStop = recorder.events();
  thread.join();

  EXPECT_LT(took, 100ms) << "Stop waited for the import";
  EXPECT_EQ(result, -1);
  EXPECT_EQ(flushedMails, 2u) << "the mail under way is saved whole, then the store flushed";
  EXPECT_EQ(flushedOn, worker) << "the worker flushes the store, not the thread that pressed Stop";
  auto events = recorder.events();
  ASSERT_EQ(events.size(), atStop.size() + 1) << "nothing is shown or logged after Stop";
  EXPECT_EQ(events.back(), "runEnded: stopped");
}

}  // namespace
}  // namespace qm::convert::test
