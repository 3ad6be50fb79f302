// The DBX output kind driven by the worker: each source file becomes a folder of our store
// whose file lands in the output folder, holding every mail byte for byte as the EML kind
// writes it; its lines, boxes and progress; set-up and mail failures; a full store; Stop.
#include "convert/dbx_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/oestore/store_read_back.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {

using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};
const std::string kFolder0 = "Tarnwick-Converted-DBX-0--3-7-2010--14hr-5m-9s";
const std::string kFolder1 = "Tarnwick-Converted-DBX-1--3-7-2010--14hr-5m-9s";

// A file of the store directory as the recorder shows paths: every separator '/'.
std::string shownInStore(const std::string& name) {
  std::string path = oe::storeDirectory() + "/" + name;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// A namespace whose operations can be made to fail or throw.
class FailingNamespace : public oe::StoreNamespace {
 public:
  using StoreNamespace::StoreNamespace;
  std::function<bool()> onInitialize, onCreateFolder, onOpenFolder, onGetDirectory;
  bool Initialize(const void* w, std::uint32_t r) override {
    return (!onInitialize || onInitialize()) && StoreNamespace::Initialize(w, r);
  }
  bool CreateFolder(oe::FolderId p, const std::string& n, std::uint32_t r, oe::FolderId& id) override {
    return (!onCreateFolder || onCreateFolder()) && StoreNamespace::CreateFolder(p, n, r, id);
  }
  bool OpenFolder(oe::FolderId id, std::uint32_t r, std::unique_ptr<oe::StoreFolder>& f) override {
    return (!onOpenFolder || onOpenFolder()) && StoreNamespace::OpenFolder(id, r, f);
  }
  bool GetDirectory(std::string& directory, std::size_t room) override {
    return StoreNamespace::GetDirectory(directory, room) && (!onGetDirectory || onGetDirectory());
  }
};

class DbxModeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::createDirectory(dir.file("out")));
    ASSERT_TRUE(platform::createDirectory(dir.file("eml")));
  }

  int run(const std::vector<std::string>& stores, RunRecorder& view, const std::string& out = "out",
          std::int32_t option = SAVEASDBX) {
    RunSettings settings = emlSettings(stores, dir.file(out));
    settings.saveOption = option;
    SettingsInput input(settings);
    ConversionWorker worker(input, view, token, view.environment(kStamp), [this](std::int32_t o) -> std::unique_ptr<OutputMode> {
      if (o == SAVEASDBX) return std::make_unique<DbxMode>(connection);
      return makeOutputMode(o);
    });
    return worker.run();
  }
  int run(const std::vector<std::string>& stores) { return run(stores, recorder); }

  // The .eml files the EML kind writes from the store, in mail order.
  std::vector<std::string> emlOf(const std::string& store) {
    RunRecorder view(dir.path());
    CancelToken fresh;
    RunSettings settings = emlSettings({store}, dir.file("eml"));
    SettingsInput input(settings);
    ConversionWorker worker(input, view, fresh, view.environment(kStamp), makeOutputMode);
    EXPECT_EQ(worker.run(), 0);
    std::vector<std::string> mails;
    for (const auto& [name, bytes] : snapshot(dir.file("eml")))
      if (name.back() != '/') mails.push_back(bytes);
    std::filesystem::remove_all(platform::toPath(dir.file("eml")));
    platform::createDirectory(dir.file("eml"));
    return mails;
  }

  std::string outFile(const std::string& folder, const std::string& name) {
    const std::string sep(1, platform::pathSeparator());
    return dir.file("out") + sep + folder + sep + name + ".dbx";
  }

  TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;
  StoreConnection connection;
};

TEST_F(DbxModeRun, EachSourceBecomesAStoreFileHoldingTheMailsTheEmlKindWrites) {
  const auto a = writeStore(dir.file("Inbox.dbx"), {shortMail("a1"), longMail("a2", 1500), longMail("a3", 70000)});
  const auto b = writeStore(dir.file("B.dbx"), {});
  const std::vector<std::string> emlA = emlOf(a);
  ASSERT_EQ(emlA.size(), 3u);
  EXPECT_EQ(run({a, b}), 0);

  EXPECT_EQ(snapshot(dir.file("out")), (std::map<std::string, std::string>{
                                           {"1_Converted_Inbox/", ""},
                                           {"1_Converted_Inbox/" + kFolder0 + ".dbx", qm::test::readFile(outFile("1_Converted_Inbox", kFolder0))},
                                           {"2_Converted_B/", ""},
                                           {"2_Converted_B/" + kFolder1 + ".dbx", qm::test::readFile(outFile("2_Converted_B", kFolder1))}}))
      << "one store file per source, nothing else";
  EXPECT_TRUE(oe::test::storeHolds(outFile("1_Converted_Inbox", kFolder0), emlA));
  EXPECT_TRUE(oe::test::storeHolds(outFile("2_Converted_B", kFolder1), {}));
  const oe::test::StoreContents got = oe::test::readBackStore(outFile("1_Converted_Inbox", kFolder0));
  ASSERT_EQ(got.records.size(), 3u);
  EXPECT_EQ(got.records[1].subject, "a2");
  EXPECT_EQ(got.records[1].senderAddress, "ann@example.com");
  EXPECT_EQ(got.records[1].sentTime, 129119940000000000ULL);  // 2010-03-02 09:00 UTC

  const std::string sep(1, platform::pathSeparator());
  const std::string storeDir = oe::storeDirectory();
  EXPECT_TRUE(inOrder(recorder.events(), {
      "message(notice): Please close Outlook Express, if its open!",
      "exec: In SAVEASDBX",
      "exec: In <root>/Inbox.dbx file 3 convertable mails were found",
      "mailDone: 0/3 saved", "mailDone: 1/3 saved", "mailDone: 2/3 saved",
      "exec: copying DBX file from " + shownInStore(kFolder0 + ".dbx") + " to <root>/out/1_Converted_Inbox/" + kFolder0 + ".dbx",
      "exec: SAVEASEML convertion Succeeded for file <root>/Inbox.dbx",
      "exec: Temp Directory clean successfully", "exec: DBX File closed",
      "fileFinished: 0 found=3 saved=3 failed=0",
      "exec: In SAVEASDBX", "exec: In <root>/B.dbx file 0 convertable mails were found",
      "exec: copying DBX file from " + shownInStore(kFolder1 + ".dbx") + " to <root>/out/2_Converted_B/" + kFolder1 + ".dbx",
      "runEnded: completed to <root>/out"}));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty()) << "the temporary .eml files and folders are gone";
  EXPECT_FALSE(platform::fileExists(storeDir + sep + kFolder0 + ".dbx")) << "the store's own file goes with the namespace";
}

// The bundled sample, every real store and generated stores in every layout: each store
// written holds exactly the .eml files the EML kind writes from its source.
TEST_F(DbxModeRun, EveryInputGivesAStoreOfTheMailsTheEmlKindWrites) {
  std::vector<std::string> sources = {std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx"};
  for (const char* real : {"linux-kernel.dbx", "acpi-devel.dbx", "kde.dbx", "ck.dbx", "kmail.dbx", "hal-commit.dbx",
                           "hal.dbx", "Posteingang.dbx", "Mailinglists.dbx", "welcome/Inbox.dbx", "welcome/Outbox.dbx"})
    sources.push_back(qm::test::sharedFile(std::string("samples/real/") + real));
  std::vector<std::string> mails;
  for (int i = 0; i < 9; ++i) mails.push_back(longMail("g" + std::to_string(i), 200 + 700 * i));
  for (const auto layout : {storegen::Layout::InOrder, storegen::Layout::Reversed, storegen::Layout::Interleaved,
                            storegen::Layout::Spread, storegen::Layout::Shuffled}) {
    storegen::StoreOptions options;
    options.layout = layout;
    const std::string path = dir.file(std::string(storegen::layoutName(layout)) + ".dbx");
    qm::test::writeFile(path, storegen::buildStore(mails, options).bytes);
    sources.push_back(path);
  }
  std::vector<std::vector<std::string>> expected;
  for (const std::string& source : sources) expected.push_back(emlOf(source));
  EXPECT_EQ(expected[0].size(), 6u);
  EXPECT_EQ(expected.back().size(), mails.size());
  ASSERT_EQ(run(sources), 0);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    SCOPED_TRACE(sources[i]);
    std::string base = platform::fromPath(platform::toPath(sources[i]).stem());
    const std::string folder = std::to_string(i + 1) + "_Converted_" + base;
    EXPECT_TRUE(oe::test::storeHolds(outFile(folder, DbxMode::storeFolderName(static_cast<int>(i), kStamp)), expected[i]));
  }
}

TEST_F(DbxModeRun, ADamagedSourceGivesAHealthyStoreOfTheMailsThatCouldBeFound) {
  storegen::StoreOptions layout;
  layout.layout = storegen::Layout::Interleaved;
  std::vector<std::string> mails;
  for (int i = 0; i < 12; ++i) mails.push_back(longMail("m" + std::to_string(i), 300 + 400 * i));
  storegen::GeneratedStore store = storegen::buildStore(mails, layout);
  storegen::cutChainAt(store, 3, 1);
  storegen::pointPastEnd(store, 7, 0);
  qm::test::writeFile(dir.file("Damaged.dbx"), store.bytes);
  const std::vector<std::string> eml = emlOf(dir.file("Damaged.dbx"));
  EXPECT_EQ(run({dir.file("Damaged.dbx")}), 0);
  EXPECT_TRUE(oe::test::storeHolds(outFile("1_Converted_Damaged", kFolder0), eml));
}

TEST_F(DbxModeRun, SetUpFailuresShowTheirMessageLogTheirLineAndEndTheRun) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b")});
  auto failing = [](std::function<void(FailingNamespace&)> set) {
    return [set] {
      auto ns = std::make_unique<FailingNamespace>();
      set(*ns);
      return std::unique_ptr<oe::StoreNamespace>(std::move(ns));
    };
  };
  auto no = [] { return false; };
  auto throws = []() -> bool { throw std::runtime_error("no"); };
  struct Case {
    const char* what;
    StoreConnection connection;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"thread", {no, {}}, {"message(error): COM object Initialization error.", "error: Could not CoInitialize"}},
      {"thread throws", {throws, {}}, {"error: Exception while CoInitialize"}},
      {"no store", {{}, [] { return std::unique_ptr<oe::StoreNamespace>(); }},
       {"message(error): Could not connect with Outlook express", "error: Could not create connection with Outlook express"}},
      {"store throws", {{}, []() -> std::unique_ptr<oe::StoreNamespace> { throw std::runtime_error("no"); }},
       {"error: Exception while connecting with Outlook express"}},
      {"login", {{}, failing([&](FailingNamespace& n) { n.onInitialize = no; })},
       {"message(error): Could not login to Outlook express", "error: Could not Initialize connection with Outlook express"}},
      {"login throws", {{}, failing([&](FailingNamespace& n) { n.onInitialize = throws; })},
       {"error: Exception while initializing connection with Outlook express"}},
      {"folder", {{}, failing([&](FailingNamespace& n) { n.onCreateFolder = no; })},
       {"message(error): Could not create DBX file.", "error: Could not create folder in OE"}},
      {"folder throws", {{}, failing([&](FailingNamespace& n) { n.onCreateFolder = throws; })},
       {"error: Exception while creating folder in OE"}},
      {"open", {{}, failing([&](FailingNamespace& n) { n.onOpenFolder = no; })},
       {"message(error): Could not open output dbx file", "error: Could not open folder in OE"}},
      {"open throws", {{}, failing([&](FailingNamespace& n) { n.onOpenFolder = throws; })},
       {"error: Exception while opening folder in OE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunRecorder view(dir.path());
    connection = c.connection;
    EXPECT_EQ(run({a, b}, view), -1);
    auto expected = c.expected;
    const auto events = view.events();
    EXPECT_TRUE(inOrder(events, expected));
    EXPECT_EQ(events.back(), "runEnded: failed: " + c.expected.back().substr(std::string("error: ").size()));
    for (const auto& e : events) {
      EXPECT_EQ(e.find("B.dbx"), std::string::npos) << "the run ends with the first store: " << e;
      if (c.expected.size() == 1) {
        EXPECT_EQ(e.find("message(error)"), std::string::npos) << e;
      }
    }
  }
}

// A store that would pass its limit takes no more large mails: each is refused with an
// error line, counted failed, and the store written stays whole.
TEST_F(DbxModeRun, MailsThatWouldPassTheStoresLimitAreRefusedAndCountedFailed) {
  std::vector<std::string> mails = {shortMail("small"), longMail("big1", 200000), longMail("big2", 200000), shortMail("last")};
  const auto a = writeStore(dir.file("A.dbx"), mails);
  const std::vector<std::string> eml = emlOf(a);
  connection.createNamespace = [] { return std::make_unique<oe::StoreNamespace>(400000); };
  EXPECT_EQ(run({a}), 0);
  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {"mailDone: 1/4 saved", "error: Mail 2 refused: the DBX file " + kFolder0 + ".dbx would pass 2 GB",
                               "mailDone: 2/4 skipped",
                               "mailDone: 3/4 saved", "fileFinished: 0 found=4 saved=3 failed=1"}));
  EXPECT_TRUE(oe::test::storeHolds(outFile("1_Converted_A", kFolder0), {eml[0], eml[1], eml[3]}));
}

TEST_F(DbxModeRun, AMailTheEngineCannotWriteIsLoggedToTheExecutionLogAndTheProgressMovesOn) {
  // In recovery mode a mail without a mail header is refused by the engine.
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a"), "no header at all\r\n"});
  RunSettings settings = emlSettings({a}, dir.file("out"));
  settings.saveOption = SAVEASDBX;
  settings.recoveryMode = true;
  SettingsInput input(settings);
  ConversionWorker worker(input, recorder, token, recorder.environment(kStamp), makeOutputMode);
  EXPECT_EQ(worker.run(), 0);
  EXPECT_TRUE(inOrder(recorder.events(), {"exec: Recovery fails for mail 1", "mailDone: 1/2 failed"}));
  EXPECT_TRUE(oe::test::storeHolds(outFile("1_Converted_A", kFolder0), {shortMail("a")}));
}

// The store's own file goes when the namespace is released, so a store file that cannot be
// completed or copied would lose the mails: the run ends with an error instead of success.
TEST_F(DbxModeRun, AStoreFileThatCannotBeCompletedOrCopiedEndsTheRunWithAnError) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a")});
  {
    RunRecorder view(dir.path());
    connection.createNamespace = [] {
      auto ns = std::make_unique<FailingNamespace>();
      ns->onGetDirectory = [] { return false; };
      return std::unique_ptr<oe::StoreNamespace>(std::move(ns));
    };
    EXPECT_EQ(run({a}, view), -1);
    EXPECT_TRUE(inOrder(view.events(), {"message(error): Could not write DBX file.", "error: Could not complete DBX file " +
                                            shownInStore(kFolder0 + ".dbx"), "runEnded: failed: Could not complete DBX file " +
                                            shownInStore(kFolder0 + ".dbx")}));
  }
  {
    // A folder where the file should go: the copy cannot be put in its place.
    connection = {};
    platform::createDirectory(dir.file("out") + "/1_Converted_A");  // made by the run before
    ASSERT_TRUE(platform::createDirectory(dir.file("out") + "/1_Converted_A/" + kFolder0 + ".dbx"));
    qm::test::writeFile(dir.file("out") + "/1_Converted_A/" + kFolder0 + ".dbx/keep", std::string("x"));
    RunRecorder view(dir.path());
    EXPECT_EQ(run({a}, view), -1);
    EXPECT_TRUE(inOrder(view.events(), {"message(error): Could not copy DBX file to <root>/out/1_Converted_A",
                                        "error: Could not copy DBX file from " + shownInStore(kFolder0 + ".dbx") + " to <root>/out/1_Converted_A/" + kFolder0 + ".dbx",
                                        "runEnded: failed: Could not copy DBX file from " + shownInStore(kFolder0 + ".dbx") + " to <root>/out/1_Converted_A/" + kFolder0 + ".dbx"}));
    EXPECT_EQ(snapshot(dir.file("out") + "/1_Converted_A"),
              (std::map<std::string, std::string>{{kFolder0 + ".dbx/", ""}, {kFolder0 + ".dbx/keep", "x"}}))
        << "no partial copy is left";
  }
}

TEST_F(DbxModeRun, AStoppedRunLeavesNoStoreFileInTheOutputFolder) {
  std::vector<std::string> mails;
  for (int i = 0; i < 20; ++i) mails.push_back(longMail("m" + std::to_string(i), 3000));
  const auto a = writeStore(dir.file("A.dbx"), mails);
  for (const std::string stopAt : {"mailDone: 10/20 saved", "mailDone: 19/20 saved", "exec: SAVEASEML convertion Succeeded for file <root>/A.dbx"}) {
    SCOPED_TRACE(stopAt);
    RunRecorder view(dir.path());
    CancelToken fresh;
    view.after = [&](const std::string& event) {
      if (event == stopAt) fresh.stop();
    };
    RunSettings settings = emlSettings({a}, dir.file("out"));
    settings.saveOption = SAVEASDBX;
    SettingsInput input(settings);
    ConversionWorker worker(input, view, fresh, view.environment(kStamp), makeOutputMode);
    EXPECT_EQ(worker.run(), -1);
    for (const auto& [name, bytes] : snapshot(dir.file("out"))) {
      if (name.back() == '/') continue;
      // Only a store stopped after its copy is there, and then whole.
      EXPECT_EQ(name, "1_Converted_A/" + kFolder0 + ".dbx");
      EXPECT_TRUE(oe::test::storeHolds(dir.file("out") + "/" + name, emlOf(a)));
    }
    EXPECT_FALSE(platform::fileExists(oe::storeDirectory() + platform::pathSeparator() + kFolder0 + ".dbx"));
  }
}

}  // namespace
}  // namespace qm::convert::test
