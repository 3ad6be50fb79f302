#include "convert/conversion_worker.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include "convert/save_option.h"
#include "platform/files.h"
#include "platform/safe_files.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {

using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};
const std::string kTemp = "<root>/temp/Tarnwick_Converted_";
const std::string kTempStamp = "_(DATE=3-7-2010)_(TIME=14hr.5m.9s)";

class WorkerRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::createDirectory(dir.file("out"))); }

  int run(const RunSettings& settings, ConversionWorker::ModeFactory modes = makeOutputMode) {
    SettingsInput input(settings);
    ConversionWorker worker(input, recorder, token, recorder.environment(kStamp), std::move(modes));
    return worker.run();
  }
  std::string out(const std::string& relative = "") const {
    std::string path = dir.file("out");
    if (!relative.empty()) path += platform::pathSeparator();
    for (const char c : relative) path += c == '/' ? platform::pathSeparator() : c;
    return path;
  }

  TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;
};

TEST_F(WorkerRun, TwoStoresAreReportedInOrderAndLandInNumberedFolders) {
  const std::vector<std::string> a = {shortMail("a1"), longMail("a2", 1300)};
  const std::vector<std::string> b = {longMail("b1", 512)};
  const auto settings = emlSettings({writeStore(dir.file("A.dbx"), a), writeStore(dir.file("B.dbx"), b)}, out());
  EXPECT_EQ(run(settings), 0);

  EXPECT_EQ(recorder.viewEvents(), (std::vector<std::string>{
      "runStarted: 2 files, option 2",
      "fileStarted: 0/2 A.dbx (A)", "mailsFound: 2", "mailDone: 0/2 saved", "mailDone: 1/2 saved",
      "fileFinished: 0 found=2 saved=2 failed=0",
      "fileStarted: 1/2 B.dbx (B)", "mailsFound: 1", "mailDone: 0/1 saved",
      "fileFinished: 1 found=1 saved=1 failed=0",
      "runEnded: completed to <root>/out"}));

  EXPECT_TRUE(inOrder(recorder.logLines(), {
      "exec: In CRAROvavodizDlg::OnInitDialog()",
      "exec: Preparing to Scan File : A.dbx",
      "exec: <root>/out/1_Converted_A_As_EML directory created for A",
      "exec: " + kTemp + "A_0" + kTempStamp + " directory created for A",
      "exec: In SAVEASEML",
      "exec: In <root>/A.dbx file 2 convertable mails were found",
      "exec: SAVEASEML convertion Succeeded for file <root>/A.dbx",
      "exec: DBX File closed",
      "exec: Preparing to Scan File : B.dbx",
      "exec: <root>/out/2_Converted_B_As_EML directory created for B",
      "exec: " + kTemp + "B_1" + kTempStamp + " directory created for B",
      "exec: In SAVEASEML",
      "exec: In <root>/B.dbx file 1 convertable mails were found",
      "exec: SAVEASEML convertion Succeeded for file <root>/B.dbx",
      "exec: DBX File closed"}));

  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{
      {"1_Converted_A_As_EML/", ""}, {"1_Converted_A_As_EML/A_000001.eml", a[0]},
      {"1_Converted_A_As_EML/A_000002.eml", a[1]},
      {"2_Converted_B_As_EML/", ""}, {"2_Converted_B_As_EML/B_000001.eml", b[0]}}));
  // Every mode removes each file's temporary folder at the end of the file.
  EXPECT_TRUE(snapshot(dir.file("temp")).empty());
}

// An existing output folder keeps everything but the mails an earlier run of ours wrote
// there: the store being converted, its neighbours and the user's own files stay.
TEST_F(WorkerRun, AnExistingOutputFolderLosesOnlyOurEarlierOutputNeverASource) {
  ASSERT_TRUE(platform::createDirectory(out("Inbox")));
  const std::vector<std::string> mails = {shortMail("1"), shortMail("2")};
  const auto inbox = writeStore(out("Inbox/Inbox.dbx"), mails);
  const auto sent = writeStore(out("Inbox/Sent.dbx"), {shortMail("s")});
  qm::test::writeFile(out("Inbox/notes.txt"), std::string("mine"));
  qm::test::writeFile(out("Inbox/Inbox_000007.eml"), std::string("an earlier run's"));
  qm::test::writeFile(out("Inbox/Inbox_000001.eml.partial"), std::string("a killed run's"));
  qm::test::writeFile(out("Inbox/Inbox_1.eml"), std::string("not a name of ours"));
  auto settings = emlSettings({inbox}, out());
  settings.naming = {false, 1, false, "", false};
  EXPECT_EQ(run(settings), 0);
  const auto files = snapshot(out("Inbox"));
  EXPECT_EQ(files, (std::map<std::string, std::string>{
      {"Inbox.dbx", qm::test::readFile(inbox)}, {"Sent.dbx", qm::test::readFile(sent)}, {"notes.txt", "mine"},
      {"Inbox_1.eml", "not a name of ours"}, {"Inbox_000001.eml", mails[0]}, {"Inbox_000002.eml", mails[1]}}));
}

// Two stores of the same name in one run, without the counter that tells their folders
// apart: the second gets a folder of its own instead of replacing the first one's mails.
TEST_F(WorkerRun, SameNamedStoresNeverShareAnOutputFolder) {
  ASSERT_TRUE(platform::createDirectory(dir.file("a")));
  ASSERT_TRUE(platform::createDirectory(dir.file("b")));
  const std::vector<std::string> a = {shortMail("a1"), shortMail("a2"), shortMail("a3")};
  const std::vector<std::string> b = {shortMail("b1"), shortMail("b2")};
  auto settings = emlSettings({writeStore(dir.file("a/Inbox.dbx"), a), writeStore(dir.file("b/Inbox.dbx"), b)}, out());
  settings.naming.useFileCounter = false;
  EXPECT_EQ(run(settings), 0);
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{
      {"Converted_Inbox_As_EML/", ""}, {"Converted_Inbox_As_EML/Inbox_000001.eml", a[0]},
      {"Converted_Inbox_As_EML/Inbox_000002.eml", a[1]}, {"Converted_Inbox_As_EML/Inbox_000003.eml", a[2]},
      {"Converted_Inbox_As_EML_2/", ""}, {"Converted_Inbox_As_EML_2/Inbox_000001.eml", b[0]},
      {"Converted_Inbox_As_EML_2/Inbox_000002.eml", b[1]}}));
}

// A folder another run is writing into, or one holding files when earlier output may not be
// replaced, is left alone; a link in the folder's place is never followed.
TEST_F(WorkerRun, AFolderHeldElsewhereOrInTheWayIsLeftAlone) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1")});
  ASSERT_TRUE(platform::createDirectory(out("1_Converted_A_As_EML")));
  auto hold = platform::FolderHold::take(out("1_Converted_A_As_EML"));
  ASSERT_NE(hold, nullptr);
  ASSERT_TRUE(platform::createDirectory(out("2_Converted_A_As_EML")));
  qm::test::writeFile(out("2_Converted_A_As_EML/A_000001.eml"), std::string("kept"));
  auto settings = emlSettings({a, a}, out());
  settings.replaceEarlierOutput = false;
  EXPECT_EQ(run(settings), 0);
  EXPECT_TRUE(platform::listDirectory(out("1_Converted_A_As_EML")).empty());
  EXPECT_EQ(qm::test::readFile(out("2_Converted_A_As_EML/A_000001.eml")), "kept");
  EXPECT_EQ(snapshot(out("1_Converted_A_As_EML_2")).size(), 1u);
  EXPECT_EQ(snapshot(out("2_Converted_A_As_EML_2")).size(), 1u);
}

TEST_F(WorkerRun, AnEmptyListCompletesAtOnce) {
  EXPECT_EQ(run(emlSettings({}, out())), 0);
  EXPECT_EQ(recorder.viewEvents(),
            (std::vector<std::string>{"runStarted: 0 files, option 2", "runEnded: completed to <root>/out"}));
  EXPECT_TRUE(snapshot(out()).empty());
}

TEST_F(WorkerRun, AStoreThatCannotBeOpenedCostsOnlyItself) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a1")});
  const auto c = writeStore(dir.file("C.dbx"), {shortMail("c1")});
  EXPECT_EQ(run(emlSettings({a, dir.file("missing.dbx"), c}, out())), 0);

  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {
      "fileStarted: 1/3 missing.dbx (missing)",
      "message(error): Error Opening <root>/missing.dbx file. \nConvertion fails for this file",
      "exec: In <root>/missing.dbx file -1 convertable mails were found", "mailsFound: -1",
      "exec: SAVEASEML convertion Succeeded for file <root>/missing.dbx",
      "fileFinished: 1 found=-1 saved=0 failed=0",
      "fileStarted: 2/3 C.dbx (C)", "fileFinished: 2 found=1 saved=1 failed=0",
      "runEnded: completed to <root>/out"}));
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{
      {"1_Converted_A_As_EML/", ""}, {"1_Converted_A_As_EML/A_000001.eml", shortMail("a1")},
      {"2_Converted_missing_As_EML/", ""},
      {"3_Converted_C_As_EML/", ""}, {"3_Converted_C_As_EML/C_000001.eml", shortMail("c1")}}));
}

TEST_F(WorkerRun, AnExistingOutputFolderLosesItsFilesButKeepsItsSubfolders) {
  ASSERT_TRUE(platform::createDirectory(out("1_Converted_A_As_EML")));
  ASSERT_TRUE(platform::createDirectory(out("1_Converted_A_As_EML/attachments")));
  qm::test::writeFile(out("1_Converted_A_As_EML/A_000009.eml"), std::string("old mail"));
  qm::test::writeFile(out("1_Converted_A_As_EML/A_000001.eml"), std::string("old first mail"));
  qm::test::writeFile(out("1_Converted_A_As_EML/attachments/kept.txt"), std::string("kept"));
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("new")});

  EXPECT_EQ(run(emlSettings({a}, out())), 0);
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{
      {"1_Converted_A_As_EML/", ""}, {"1_Converted_A_As_EML/A_000001.eml", shortMail("new")},
      {"1_Converted_A_As_EML/attachments/", ""}, {"1_Converted_A_As_EML/attachments/kept.txt", "kept"}}));
  EXPECT_TRUE(inOrder(recorder.logLines(), {"exec: <root>/out/1_Converted_A_As_EML directory created for A"}));
}

TEST_F(WorkerRun, NamingChoicesShapeTheFolderNames) {
  const auto a = writeStore(dir.file("Inbox.dbx"), {shortMail("1")});
  const auto b = writeStore(dir.file("INBOX.DBX"), {shortMail("2")});
  const auto c = writeStore(dir.file("Sent.dbx"), {shortMail("3")});
  auto settings = emlSettings({a, b, c}, out());
  settings.naming.fileCounterStart = 7;
  ASSERT_EQ(run(settings), 0);
  settings.naming = {false, 7, true, "Old Mail", false};
  ASSERT_EQ(run(settings), 0);
  std::vector<std::string> folders;
  for (const auto& [path, contents] : snapshot(out()))
    if (path.back() == '/') folders.push_back(path);
  EXPECT_EQ(folders, (std::vector<std::string>{"7_Converted_Inbox_As_EML/", "8_Converted_INBOX.DBX_As_EML/",
                                               "9_Converted_Sent_As_EML/", "Old Mail_INBOX.DBX/",
                                               "Old Mail_Inbox/", "Old Mail_Sent/"}));
  EXPECT_EQ(qm::test::readFile(out("8_Converted_INBOX.DBX_As_EML/INBOX_000001.eml")), shortMail("2"))
      << "the folder keeps a name without \".dbx\"; the mails are named by the engine";
}

TEST_F(WorkerRun, FailedMailsAreLoggedByIndexAndTheRestStillConverted) {
  // In recovery mode a mail without a recognisable header is refused.
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1"), "just some text\r\n", shortMail("3")});
  auto settings = emlSettings({a}, out());
  settings.recoveryMode = true;
  EXPECT_EQ(run(settings), 0);
  EXPECT_TRUE(inOrder(recorder.events(), {
      "mailDone: 0/3 saved", "error: conversion fails for mail 1", "mailDone: 1/3 failed",
      "mailDone: 2/3 saved", "exec: SAVEASEML convertion Succeeded for file <root>/A.dbx",
      "fileFinished: 0 found=3 saved=2 failed=1"}));
  EXPECT_EQ(snapshot(out("1_Converted_A_As_EML")).size(), 2u);
}

#ifndef _WIN32
// A file system of 64 KB, mounted for the test where the system allows it.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    platform::createDirectory(folder_);
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST_F(WorkerRun, AFullDiskEndsAnEmlRunWithAnErrorNeverWithTheCompletionMessage) {
  SmallDisk disk(out("small"));
  if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
  const auto a = writeStore(dir.file("A.dbx"), {longMail("1", 40000), longMail("2", 40000), shortMail("3")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("b")});
  EXPECT_EQ(run(emlSettings({a, b}, out("small"))), -1);
  const auto events = recorder.events();
  const std::string full = "<root>/out/small/1_Converted_A_As_EML/A_000002.eml: the disk is full";
  EXPECT_TRUE(inOrder(events, {"mailDone: 0/3 saved", "error: conversion fails for mail 1",
                               "message(error): Could not write Output EML file:\n" + full,
                               "error: Could not write Output EML file: " + full}));
  EXPECT_EQ(events.back(), "runEnded: failed: Could not write Output EML file: " + full);
  for (const auto& e : events) {
    EXPECT_EQ(e.find("mailDone: 2/3"), std::string::npos) << "the run goes no further: " << e;
    EXPECT_EQ(e.find("Succeeded"), std::string::npos) << e;
  }
}
#endif

// A store cut short during the run: the mails it can no longer give whole fail, and no
// file is left for them; the mails before the cut are written byte for byte.
TEST_F(WorkerRun, AStoreCutShortDuringTheRunFailsTheMailsPastTheCut) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows refuses to shrink a file while the run has it mapped";
#endif
  std::vector<std::string> mails;
  for (int m = 0; m < 40; ++m) mails.push_back(longMail(std::to_string(m), 3000));
  const auto store = storegen::buildStore(mails);
  const std::string path = dir.file("Shrinks.dbx");
  qm::test::writeFile(path, store.bytes);
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 9/40 saved")  // the cut lands inside mail 20's first block
      std::filesystem::resize_file(platform::toPath(path), store.plan.mails[20][0].position + 100);
  };
  EXPECT_EQ(run(emlSettings({path}, out())), 0);
  EXPECT_TRUE(inOrder(recorder.events(), {"mailDone: 19/40 saved", "mailDone: 20/40 failed", "mailDone: 39/40 failed",
                                          "fileFinished: 0 found=40 saved=20 failed=20"}));
  const auto written = snapshot(out("1_Converted_Shrinks_As_EML"));
  ASSERT_EQ(written.size(), 20u);
  std::size_t m = 0;
  for (const auto& [name, text] : written) EXPECT_EQ(text, mails[m++]) << name;
}

TEST_F(WorkerRun, LogsNothingWhenLoggingIsOff) {
  auto settings = emlSettings({writeStore(dir.file("A.dbx"), {shortMail("1")}), dir.file("gone.dbx")}, out());
  settings.logEnabled = false;
  EXPECT_EQ(run(settings), 0);
  EXPECT_TRUE(recorder.logLines().empty());
  EXPECT_TRUE(inOrder(recorder.events(), {"message(error): Error Opening <root>/gone.dbx file. \nConvertion fails for this file"}))
      << "the engine's message box appears whatever the log setting";
}

// A mode whose set-up fails for its second file, as a store that cannot be created would.
class FailingMode : public OutputMode {
 public:
  explicit FailingMode(bool throws) : throws_(throws) {}
  ModeSetup beginFile(RunContext& run, const FileJob& job) override {
    run.log("In SAVEASPST");
    if (job.index == 0) return ModeSetup::ready();
    if (throws_) throw std::runtime_error("component failure");
    return ModeSetup::failed("Could not create Output PST file", "Could not create LogonPstStore");
  }
  std::string mailFolder(const FileJob& job) const override { return job.tempFolder; }
  MailOutcome handleMail(RunContext&, const FileJob&, int, bool saved, const std::string& eml) override {
    if (saved) platform::deleteFile(eml);
    return saved ? MailOutcome::Converted : MailOutcome::Skipped;
  }
  std::string successLine(const FileJob& job) const override {
    return "SAVEASPST Recovery Succeeded for file " + job.sourcePath;
  }
  void endFile(RunContext& run, const FileJob& job) override { run.log("released " + job.baseName); }

 private:
  bool throws_;
};

TEST_F(WorkerRun, AModeSetUpFailureShowsItsMessageAndEndsTheRun) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("2")});
  const auto c = writeStore(dir.file("C.dbx"), {shortMail("3")});
  auto settings = emlSettings({a, b, c}, out());
  settings.saveOption = SAVEASPST;
  EXPECT_EQ(run(settings, [](std::int32_t) { return std::make_unique<FailingMode>(false); }), -1);

  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {
      "exec: In SAVEASPST", "exec: SAVEASPST Recovery Succeeded for file <root>/A.dbx",
      "exec: Temp Directory clean successfully", "exec: DBX File closed", "fileFinished: 0 found=1 saved=1 failed=0",
      "exec: released A", "exec: In SAVEASPST", "message(error): Could not create Output PST file",
      "error: Could not create LogonPstStore", "exec: released B",
      "runEnded: failed: Could not create LogonPstStore"}));
  EXPECT_EQ(events.back(), "runEnded: failed: Could not create LogonPstStore");
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{{"1_Converted_A_As_PST/", ""},
                                                                {"2_Converted_B_As_PST/", ""}}));
  // A run that fails in the middle of a file removes that file's temporary folder too.
  EXPECT_TRUE(snapshot(dir.file("temp")).empty());
}

TEST_F(WorkerRun, AFailureRaisedDuringAFileEndsTheRunAsFailed) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1")});
  const auto b = writeStore(dir.file("B.dbx"), {shortMail("2")});
  auto settings = emlSettings({a, b}, out());
  EXPECT_EQ(run(settings, [](std::int32_t) { return std::make_unique<FailingMode>(true); }), -1);
  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {"fileFinished: 0 found=1 saved=1 failed=0", "exec: released B",
                               "error: Exception In DBX_Recover_thread"}));
  EXPECT_EQ(events.back(), "runEnded: failed: Exception In DBX_Recover_thread");
}

TEST_F(WorkerRun, DbxAsksToCloseTheMailProgramOnceAndAKindNotBuiltFailsItsSetUp) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1")});
  auto settings = emlSettings({a, a}, out());
  settings.saveOption = SAVEASDBX;
  EXPECT_EQ(run(settings, [](std::int32_t) { return nullptr; }), -1);
  const auto events = recorder.events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "message(notice): Please close Outlook Express, if its open!"), 1);
  EXPECT_TRUE(inOrder(events, {"message(notice): Please close Outlook Express, if its open!",
                               "fileStarted: 0/2 A.dbx (A)", "message(error): SAVEASDBX is not available yet.",
                               "error: No output mode for SAVEASDBX",
                               "runEnded: failed: No output mode for SAVEASDBX"}));
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{{"1_Converted_A/", ""}}));
}

TEST_F(WorkerRun, AnOptionOutsideTheFiveKindsRunsNoModeButStillMakesTheFolders) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("1")});
  auto settings = emlSettings({a}, out());
  settings.saveOption = 9;
  EXPECT_EQ(run(settings), 0);
  EXPECT_TRUE(inOrder(recorder.events(), {
      "fileStarted: 0/1 A.dbx (A)", "error: Error: Trying to close file without opening DBX file first",
      "exec: Temp Directory clean successfully", "exec: DBX File closed",
      "fileFinished: 0 found=-1 saved=0 failed=0", "runEnded: completed to <root>/out"}));
  EXPECT_EQ(snapshot(out()), (std::map<std::string, std::string>{{"1_Converted_A/", ""}}));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty());
}

}  // namespace
}  // namespace qm::convert::test
