// The MSG output kind driven by the worker over an in-memory store and a writer that only
// records: its log lines, message boxes, the numbering of its files, and every way a file's
// conversion can end early.
#include "convert/msg_mode.h"

#include <gtest/gtest.h>

#include <functional>

#include <stdexcept>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "mailstore/memory_store.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"

namespace qm::convert::test {
namespace {

using mail::MemoryStore;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};

// Writes the subject as the file's content; refuses the subjects in `refuse`.
class RecordingWriter : public mail::MessageFileWriter {
 public:
  std::vector<std::string> refuse;
  std::function<void(const std::string& subject)> written;  // after each file
  void write(const mail::Message& message, bool received, const std::string& path) const override {
    const std::string subject = platform::utf16ToUtf8(message.subject);
    for (const auto& r : refuse)
      if (r == subject) throw std::runtime_error("cannot write " + subject);
    qm::test::writeFile(path, subject + (received ? " received" : " draft"));
    if (written) written(subject);
  }
};

// The files below a folder, without the folders.
std::map<std::string, std::string> filesIn(const std::string& folder) {
  auto files = snapshot(folder);
  std::erase_if(files, [](const auto& f) { return f.first.back() == '/'; });
  return files;
}

// A memory store without the standard folders when `noInbox`.
class TestStore : public MemoryStore {
 public:
  using MemoryStore::MemoryStore;
  bool noInbox = false;
  std::size_t saved = 0;
  std::optional<mail::FolderId> defaultFolder(mail::DefaultFolder which) override {
    if (noInbox) return std::nullopt;
    return MemoryStore::defaultFolder(which);
  }
  void addMessage(mail::FolderId folder, const mail::Message& message, bool received) override {
    ++saved;
    MemoryStore::addMessage(folder, message, received);
  }
};

class MsgModeRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::createDirectory(dir.file("out"))); }

  int run(const std::vector<std::string>& stores, RunRecorder& view) {
    RunSettings settings = emlSettings(stores, dir.file("out"));
    settings.saveOption = SAVEASMSG;
    SettingsInput input(settings);
    ConversionWorker worker(input, view, token, view.environment(kStamp), [this](std::int32_t) {
      return std::make_unique<MsgMode>(sessions);
    });
    const int result = worker.run();
    lastFile = worker.lastFile();
    return result;
  }
  int run(const std::vector<std::string>& stores) { return run(stores, recorder); }

  StoreSession::SessionFactory storeSessions() {
    return [this] {
      mail::ComponentSetup setup;
      setup.msgWriter = writer;
      setup.storeFactory = [this](const std::string& path, const std::u16string& name,
                                  const mail::StoreWarningHandler&) -> std::unique_ptr<mail::StoreBackend> {
        auto store = std::make_unique<TestStore>(name);
        store->noInbox = noInbox;
        paths.push_back(path);
        made.push_back(store.get());
        return store;
      };
      return std::make_unique<mail::RDOSession>(setup);
    };
  }

  qm::test::TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;
  std::shared_ptr<RecordingWriter> writer = std::make_shared<RecordingWriter>();
  bool noInbox = false;
  StoreSession::SessionFactory sessions = storeSessions();
  std::vector<std::string> paths;
  std::vector<TestStore*> made;  // valid during the run only
  FileReport lastFile;
};

TEST_F(MsgModeRun, EachMailBecomesAFileNumberedFromOneThroughATemporaryStoreNothingIsSavedInto) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a1"), longMail("a2", 1500)});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b1")});
  std::vector<std::size_t> saved;
  recorder.after = [&](const std::string& event) {
    if (event.rfind("fileFinished: ", 0) == 0) saved.push_back(made.back()->saved);
  };
  EXPECT_EQ(run({a, b}), 0);

  EXPECT_EQ(saved, (std::vector<std::size_t>{0, 0})) << "the mails are never saved into the store";
  const std::string sep(1, platform::pathSeparator());
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0].rfind(sep + "Converted_A.pst"), paths[0].size() - 16);
  EXPECT_EQ(paths[0].find(dir.file("temp")), 0u) << "the store lies in the temporary folder: " << paths[0];
  EXPECT_EQ(filesIn(dir.file("out")), (std::map<std::string, std::string>{
      {"1_Converted_A_As_MSG/Converted_msg_000001.msg", "a1 received"},
      {"1_Converted_A_As_MSG/Converted_msg_000002.msg", "a2 received"},
      {"2_Converted_B_As_MSG/Converted_msg_000001.msg", "b1 received"}}));
  EXPECT_TRUE(inOrder(recorder.events(), {
      "exec: In SAVEASMSG", "error: session created", "error: LogonPstStore created",
      "exec: In <root>/A.dbx file 2 convertable mails were found", "mailDone: 0/2 saved", "mailDone: 1/2 saved",
      "exec: SAVEASMSG Convertion Succeeded for file <root>/A.dbx",
      "exec: Temp Directory clean successfully", "exec: DBX File closed", "fileFinished: 0 found=2 saved=2 failed=0",
      "exec: In SAVEASMSG", "exec: SAVEASMSG Convertion Succeeded for file <root>/B.dbx",
      "runEnded: completed to <root>/out"}));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty());
}

TEST_F(MsgModeRun, AMailThatCannotBeSavedIsLoggedByIndexAndLeavesAGapInTheNumbers) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  writer->refuse = {"1"};
  EXPECT_EQ(run({a}), 0);
  EXPECT_EQ(filesIn(dir.file("out")), (std::map<std::string, std::string>{
      {"1_Converted_A_As_MSG/Converted_msg_000001.msg", "0 received"},
      {"1_Converted_A_As_MSG/Converted_msg_000003.msg", "2 received"}}));
  EXPECT_TRUE(inOrder(recorder.events(), {
      "mailDone: 0/3 saved", "error: Exception while importing and saving mail no : 1",
      "mailDone: 1/3 failed", "mailDone: 2/3 saved", "exec: SAVEASMSG Convertion Succeeded for file <root>/A.dbx"}));
}

TEST_F(MsgModeRun, SetUpFailuresShowTheirMessageLogTheirLineAndEndTheRun) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b")});
  struct Case {
    const char* what;
    StoreSession::SessionFactory sessions;
    bool noInbox;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"no session", [] { return std::unique_ptr<mail::RDOSession>(); }, false,
       {"message(error): Could not create connection with Microsoft Outlook", "error: Could not create session"}},
      {"session throws", []() -> std::unique_ptr<mail::RDOSession> { throw std::runtime_error("no"); }, false,
       {"error: Exception while creating session"}},
      {"no store kind", [] { return std::make_unique<mail::RDOSession>(mail::ComponentSetup{}); }, false,
       {"error: session created", "message(error): Could not create Output PST file",
        "error: Could not create LogonPstStore"}},
      {"no Inbox", storeSessions(), true,
       {"error: LogonPstStore created", "message(error): Could not find inbox folder in PST",
        "error: Could not get default inbox folder"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunRecorder view(dir.path());
    sessions = c.sessions;
    noInbox = c.noInbox;
    EXPECT_EQ(run({a, b}, view), -1);
    auto expected = c.expected;
    const auto events = view.events();
    EXPECT_TRUE(inOrder(events, expected));
    EXPECT_EQ(events.back(), "runEnded: failed: " + c.expected.back().substr(std::string("error: ").size()));
    for (const auto& e : events) {
      EXPECT_EQ(e.find("B.dbx"), std::string::npos) << "the run ends with the first store: " << e;
      EXPECT_EQ(e.find("Succeeded"), std::string::npos) << e;
    }
  }
}

TEST_F(MsgModeRun, StopInTheMailLoopEndsTheRunBeforeTheNextFile) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 1/3 saved") token.stop();
  };
  EXPECT_EQ(run({a}), -1);
  const auto events = recorder.events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.back(), "runEnded: stopped");
  EXPECT_EQ(events[events.size() - 2], "mailDone: 1/3 saved") << "nothing is shown or logged after Stop";
  EXPECT_EQ(filesIn(dir.file("out")).size(), 2u);
}

// Stop while a message file is written: the file is complete, and the worker counts it, though
// the run is stopped before the mail's .eml file is deleted and its report goes out.
TEST_F(MsgModeRun, AMessageFileWrittenWhileStopIsPressedCountsAsConverted) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("1"), shortMail("2")});
  writer->written = [&](const std::string& subject) {
    if (subject == "1") token.stop();
  };
  EXPECT_EQ(run({a}), -1);
  EXPECT_EQ(filesIn(dir.file("out")).size(), 2u);
  EXPECT_EQ(lastFile.mailsSaved, 2);
  EXPECT_EQ(recorder.events().back(), "runEnded: stopped");
}

TEST(MsgModeNames, NumbersHaveSixDigitsAtLeastAndCountFromOne) {
  FileJob job;
  job.outputFolder = "out";
  const std::string sep(1, platform::pathSeparator());
  EXPECT_EQ(MsgMode::messagePath(job, 0), "out" + sep + "Converted_msg_000001.msg");
  EXPECT_EQ(MsgMode::messagePath(job, 999998), "out" + sep + "Converted_msg_999999.msg");
  EXPECT_EQ(MsgMode::messagePath(job, 999999), "out" + sep + "Converted_msg_1000000.msg");
}

}  // namespace
}  // namespace qm::convert::test
