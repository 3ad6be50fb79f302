// The RTF output kind driven by the worker over an in-memory store and the real rich-text
// writer: its log lines, the documents and attachment folders it writes, the names the
// attachments get, and every way a mail or an attachment can fail or a run can stop.
#include "convert/rtf_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "mailstore/memory_store.h"
#include "mailstore/rtf/rtf_mail.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"

namespace qm::convert::test {
namespace {

using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};

// A mail with attachments of the given names ("" for none) and contents.
std::string attachmentMail(const std::string& subject,
                           const std::vector<std::pair<std::string, std::string>>& files) {
  std::string mail = "From: ann@example.com\r\nTo: bob@example.com\r\nSubject: " + subject +
                     "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                     "--b\r\nContent-Type: text/plain\r\n\r\nBody of " + subject + "\r\n";
  for (const auto& [name, content] : files) {
    mail += "--b\r\nContent-Type: application/pdf" + (name.empty() ? "" : "; name=\"" + name + "\"") + "\r\n\r\n" +
            content + "\r\n";
  }
  return mail + "--b--\r\n";
}

// The real writer, refusing mails whose subject is "refused" as a full disk would.
class TestWriter : public mail::MessageFileWriter {
 public:
  void write(const mail::Message& m, bool received, const std::string& path) const override {
    if (m.subject == u"refused") throw std::runtime_error("no space left");
    real_.write(m, received, path);
  }

 private:
  mail::rtf::RtfMailWriter real_;
};

class RtfModeRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::createDirectory(out())); }

  std::string out() const { return dir.file("out"); }
  int run(const std::vector<std::string>& stores) {
    RunSettings settings = emlSettings(stores, out());
    settings.saveOption = SAVEASRTF;
    SettingsInput input(settings);
    ConversionWorker worker(input, recorder, token, recorder.environment(kStamp), [this](std::int32_t) {
      return std::make_unique<RtfMode>(sessions);
    });
    return worker.run();
  }
  // The files of the output folder of store `n` (1-based) named `base`, documents shown by
  // their first bytes.
  std::map<std::string, std::string> written(int n, const std::string& base) {
    auto files = snapshot(out() + platform::pathSeparator() + std::to_string(n) + "_Converted_" + base + "_As_RTF");
    for (auto& [name, contents] : files)
      if (name.size() > 4 && name.substr(name.size() - 4) == ".rtf") contents = contents.substr(0, 6);
    return files;
  }

  TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;
  StoreSession::SessionFactory sessions = [] {
    mail::ComponentSetup setup;
    setup.storeFactory = [](const std::string&, const std::u16string& name, const mail::StoreWarningHandler&) {
      return std::make_unique<mail::MemoryStore>(name);
    };
    setup.rtfWriter = std::make_shared<TestWriter>();
    return std::make_unique<mail::RDOSession>(setup);
  };
};

TEST_F(RtfModeRun, EachMailIsADocumentAndOnlyMailsWithAttachmentsGetAFolder) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a1"), attachmentMail("a2", {{"r.pdf", "%PDF-1"}})});
  const auto b = writeStore(dir.file("B.dbx"), {});
  EXPECT_EQ(run({a, b}), 0);
  EXPECT_EQ(written(1, "A"), (std::map<std::string, std::string>{{"Converted_msg_000001.rtf", "{\\rtf1"},
                                                                 {"Converted_msg_000002/", ""},
                                                                 {"Converted_msg_000002.rtf", "{\\rtf1"},
                                                                 {"Converted_msg_000002/r.pdf", "%PDF-1"}}));
  EXPECT_TRUE(written(2, "B").empty());
  EXPECT_TRUE(inOrder(recorder.events(), {
      "exec: In SAVEASRTF", "error: session created", "error: LogonPstStore created",
      "exec: In <root>/A.dbx file 2 convertable mails were found", "mailDone: 0/2 saved",
      "mailDone: 1/2 saved", "exec: SAVEASRTF Convertion Succeeded for file <root>/A.dbx",
      "exec: Temp Directory clean successfully", "exec: DBX File closed", "fileFinished: 0 found=2 saved=2 failed=0",
      "exec: In SAVEASRTF", "exec: In <root>/B.dbx file 0 convertable mails were found",
      "exec: SAVEASRTF Convertion Succeeded for file <root>/B.dbx",
      "runEnded: completed to <root>/out"}));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty()) << "the temporary .eml files and store are gone";
}

TEST_F(RtfModeRun, AttachmentsOfOneNameAreAllKeptAndEveryNameIsOneAFileCanHave) {
  const std::string forwarded = "From: dora@example.org\r\nSubject: Plans\r\n\r\nThe plans.\r\n";
  const auto a = writeStore(dir.file("A.dbx"), {
      attachmentMail("names", {{"notes.pdf", "first"}, {"notes.pdf", "second"}, {"NOTES.PDF", "third"},
                               {"notes (2).pdf", "fourth"}, {"", "no name"}, {"../../evil:name?.pdf", "unsafe"},
                               {"CON.pdf", "device"}}),
      "From: ann@example.com\r\nSubject: fwd\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
      "--f\r\nContent-Type: text/plain\r\n\r\nSee below.\r\n--f\r\nContent-Type: message/rfc822\r\n\r\n" + forwarded +
          "--f--\r\n"});
  EXPECT_EQ(run({a}), 0);
  EXPECT_EQ(written(1, "A"), (std::map<std::string, std::string>{
      {"Converted_msg_000001/", ""}, {"Converted_msg_000001.rtf", "{\\rtf1"},
      {"Converted_msg_000001/notes.pdf", "first"}, {"Converted_msg_000001/notes (2).pdf", "second"},
      {"Converted_msg_000001/NOTES (3).PDF", "third"}, {"Converted_msg_000001/notes (2) (2).pdf", "fourth"},
      {"Converted_msg_000001/ATT00005.pdf", "no name"}, {"Converted_msg_000001/evil_name_.pdf", "unsafe"},
      {"Converted_msg_000001/_CON.pdf", "device"},
      {"Converted_msg_000002/", ""}, {"Converted_msg_000002.rtf", "{\\rtf1"},
      // The line end before the boundary belongs to the boundary.
      {"Converted_msg_000002/Plans.eml", forwarded.substr(0, forwarded.size() - 2)}}));
}

TEST_F(RtfModeRun, AnExistingAttachmentFolderLosesItsFilesButKeepsItsSubfolders) {
  const auto a = writeStore(dir.file("A.dbx"), {attachmentMail("m", {{"new.pdf", "new"}})});
  const std::string folder = out() + "/1_Converted_A_As_RTF";
  ASSERT_TRUE(platform::createDirectory(folder));
  ASSERT_TRUE(platform::createDirectory(folder + "/Converted_msg_000001"));
  ASSERT_TRUE(platform::createDirectory(folder + "/Converted_msg_000001/kept"));
  qm::test::writeFile(folder + "/Converted_msg_000001/old.pdf", std::string("old"));
  qm::test::writeFile(folder + "/Converted_msg_000001/kept/inner.txt", std::string("inner"));
  EXPECT_EQ(run({a}), 0);
  EXPECT_EQ(written(1, "A"), (std::map<std::string, std::string>{
      {"Converted_msg_000001/", ""}, {"Converted_msg_000001.rtf", "{\\rtf1"},
      {"Converted_msg_000001/kept/", ""}, {"Converted_msg_000001/kept/inner.txt", "inner"},
      {"Converted_msg_000001/new.pdf", "new"}}));
}

TEST_F(RtfModeRun, AMailOrAnAttachmentThatCannotBeSavedIsLoggedAndTheRestAreSaved) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), shortMail("refused"),
                                                attachmentMail("2", {{"x.pdf", "blocked"}, {"y.pdf", "fine"}})});
  // A folder where the attachment's file would go: the file cannot be made.
  const std::string folder = out() + "/1_Converted_A_As_RTF";
  ASSERT_TRUE(platform::createDirectory(folder));
  ASSERT_TRUE(platform::createDirectory(folder + "/Converted_msg_000003"));
  ASSERT_TRUE(platform::createDirectory(folder + "/Converted_msg_000003/x.pdf"));
  EXPECT_EQ(run({a}), 0);
  const auto events = recorder.events();
  EXPECT_TRUE(inOrder(events, {
      "mailDone: 0/3 saved", "error: Exception while importing and saving mail no : 1", "mailDone: 1/3 skipped",
      "error: Counld not create <root>/out/1_Converted_A_As_RTF/Converted_msg_000003/x.pdf attachment file",
      "mailDone: 2/3 failed", "exec: SAVEASRTF Convertion Succeeded for file <root>/A.dbx",
      "fileFinished: 0 found=3 saved=1 failed=2"}));
  const auto files = written(1, "A");
  EXPECT_EQ(files.count("Converted_msg_000002.rtf"), 0u) << "the number of a lost mail stays free";
  EXPECT_EQ(files.at("Converted_msg_000003/y.pdf"), "fine");
  EXPECT_EQ(files.count("Converted_msg_000003/x.pdf.partial"), 0u);
}

TEST_F(RtfModeRun, SetUpFailuresShowTheirMessageAndEndTheRun) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("a")});
  sessions = [] { return std::unique_ptr<mail::RDOSession>(); };
  EXPECT_EQ(run({a}), -1);
  EXPECT_TRUE(inOrder(recorder.events(), {"exec: In SAVEASRTF",
                                          "message(error): Could not create connection with Microsoft Outlook",
                                          "error: Could not create session", "runEnded: failed: Could not create session"}));
  EXPECT_TRUE(written(1, "A").empty());
}

TEST_F(RtfModeRun, StopInTheMailLoopEndsTheRunBeforeTheNextMail) {
  const auto a = writeStore(dir.file("A.dbx"), {shortMail("0"), attachmentMail("1", {{"a.pdf", "A"}}), shortMail("2")});
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 0/3 saved") token.stop();
  };
  EXPECT_EQ(run({a}), -1);
  EXPECT_EQ(written(1, "A"), (std::map<std::string, std::string>{{"Converted_msg_000001.rtf", "{\\rtf1"}}));
  const auto events = recorder.events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], "mailDone: 0/3 saved") << "nothing is shown or logged after Stop but its end";
  EXPECT_EQ(events.back(), "runEnded: stopped");
}

TEST_F(RtfModeRun, StopWhileAttachmentsAreSavedLeavesOnlyWholeFiles) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 40; ++i) files.emplace_back("part" + std::to_string(i) + ".pdf", std::string(400000, char('a' + i % 26)));
  const auto a = writeStore(dir.file("A.dbx"), {attachmentMail("big", files)});
  const std::string folder = out() + "/1_Converted_A_As_RTF/Converted_msg_000001";
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    while (!done && platform::listDirectory(folder).size() < 3) std::this_thread::yield();
    token.stop();
  });
  run({a});
  done = true;
  stopper.join();
  const auto written = snapshot(folder);
  EXPECT_LT(written.size(), files.size()) << "the stop came too late to land among the attachments";
  for (const auto& [name, contents] : written) {
    EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    const std::size_t n = std::stoul(name.substr(4));
    EXPECT_TRUE(contents == files[n].second) << name << " is not whole";
  }
}

}  // namespace
}  // namespace qm::convert::test
