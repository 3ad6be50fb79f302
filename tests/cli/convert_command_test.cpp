// quillmend convert and quillmend search, run in-process as the program runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <regex>
#include <chrono>
#include <ctime>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

#include "cli/convert_command.h"
#include "cli/json_text.h"
#include "cli/search_command.h"
#include "convert/output_names.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/msg_read_back.h"
#include "tests/convert/pst_read_back.h"
#include "tests/cli/command_outcome.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using qm::test::readFile;
using qm::test::TempDir;
namespace platform = qm::platform;
namespace storegen = qm::storegen;

const std::string sep(1, platform::pathSeparator());
const std::string kSamples = std::string(QM_SOURCE_DIR) + "/samples";

// Runs leave their (empty) temporary folders in the system's temporary folder; the tests
// point that at a folder of their own for as long as the program's tests run.
class TemporaryFolderOfOurOwn : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::make_unique<TempDir>();
#ifdef _WIN32
    _putenv_s("TMP", (folder_->path() + "\\").c_str());
#else
    setenv("TMPDIR", folder_->path().c_str(), 1);
#endif
  }
  void TearDown() override { folder_.reset(); }

 private:
  std::unique_ptr<TempDir> folder_;
};
const auto* const kTemporaryFolder = ::testing::AddGlobalTestEnvironment(new TemporaryFolderOfOurOwn);

using Outcome = CommandOutcome;

Outcome run(CommandFunction command, const CommandArgs& args) { return runCaught(command, args); }
Outcome convert(const CommandArgs& args) { return run(runConvert, args); }

std::string withoutSeparator(std::string path) {
  if (path.size() > 1 && path.back() == platform::pathSeparator()) path.pop_back();
  return path;
}

std::string quoted(const std::string& path) {
  std::string text(1, '\'');
  text.append(path).push_back('\'');
  return text;
}

std::vector<std::string> sampleMails() {
  std::vector<std::string> names;
  for (const auto& e : platform::listDirectory(kSamples + "/mails")) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  std::vector<std::string> mails;
  for (const auto& n : names) mails.push_back(readFile(kSamples + "/mails/" + n));
  return mails;
}

// The files of a folder, sorted by name, with their contents.
std::vector<std::pair<std::string, std::string>> filesIn(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& e : platform::listDirectory(folder))
    files.emplace_back(e.name, e.isDirectory ? "<folder>" : readFile(folder + sep + e.name));
  std::sort(files.begin(), files.end());
  return files;
}

// What a store holding `mails` must give: <title>_000001.eml... in mail order.
std::vector<std::pair<std::string, std::string>> expectedMails(const std::string& title,
                                                               const std::vector<std::string>& mails) {
  std::vector<std::pair<std::string, std::string>> files;
  for (std::size_t i = 0; i < mails.size(); ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s_%06zu.eml", title.c_str(), i + 1);
    files.emplace_back(name, mails[i]);
  }
  return files;
}

std::string mailOfLength(std::size_t length, int n) {
  std::string mail = "From: a@example.com\r\nTo: b@example.com\r\nSubject: mail " + std::to_string(n) +
                     "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMIME-Version: 1.0\r\nX-MimeOLE: V6.00\r\n\r\n";
  while (mail.size() < length) mail += static_cast<char>('a' + (mail.size() + static_cast<std::size_t>(n)) % 26);
  mail.resize(length);
  return mail;
}

TEST(ConvertCommand, TheSampleStoreGivesBackEveryMailByteForByte) {
  TempDir dir;
  const Outcome o = convert({"--to", "eml", "--into", "-d", dir.path(), kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::pair<std::string, std::string>>{{"1_Converted_Sample_As_EML", "<folder>"}}));
  EXPECT_EQ(filesIn(dir.file("1_Converted_Sample_As_EML")), expectedMails("Sample", sampleMails()));
  EXPECT_NE(o.out.find("[1/1] Sample.dbx: 6 of 6 mails written -> " + dir.file("1_Converted_Sample_As_EML") + "\n"),
            std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Files converted Successfully to " + dir.path() + " folder\n"), std::string::npos);
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 6 mails written, 0 failed.\nOutput folder: " + dir.path() + "\n"),
            std::string::npos) << o.out;
}

TEST(ConvertCommand, ToPstWritesOneFileTheReadersAgreeWith) {
  qm::mail::useStandardComponents();
  TempDir dir;
  const std::string sample = kSamples + "/Sample.dbx";
  const Outcome o = convert({"--to", "pst", "--into", "-d", dir.path(), sample});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::pair<std::string, std::string>>{{"1_Converted_Sample_As_PST", "<folder>"}}));
  const std::string pst = dir.file("1_Converted_Sample_As_PST" + sep + "Converted_Sample.pst");
  EXPECT_EQ(platform::listDirectory(dir.file("1_Converted_Sample_As_PST")).size(), 1u);
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 6 mails written, 0 failed."), std::string::npos) << o.out;
  TempDir work;
  const auto mails = qm::convert::test::storeMails(sample, work.path());
  ASSERT_EQ(mails.size(), 6u);
  qm::convert::test::expectStoreFile(pst, "Sample", mails, work.file("read"));
}

TEST(ConvertCommand, ToMsgWritesAFilePerMailTheReadersAgreeWith) {
  qm::mail::useStandardComponents();
  TempDir dir;
  const std::string sample = kSamples + "/Sample.dbx";
  const Outcome o = convert({"--to", "msg", "--into", "-d", dir.path(), sample});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 6 mails written, 0 failed."), std::string::npos) << o.out;
  TempDir work;
  const auto mails = qm::convert::test::indexedStoreMails(sample, work.path());
  ASSERT_EQ(mails.size(), 6u);
  qm::convert::test::expectMessageFiles(dir.file("1_Converted_Sample_As_MSG"), mails, work.file("read"));
}

TEST(ConvertCommand, ToRtfWritesOneDocumentPerMail) {
  qm::mail::useStandardComponents();
  TempDir dir;
  const Outcome o = convert({"--to", "rtf", "--into", "-d", dir.path(), kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  std::vector<std::string> names;
  for (const auto& [name, contents] : filesIn(dir.file("1_Converted_Sample_As_RTF"))) {
    names.push_back(name);
    if (contents != "<folder>") {
      EXPECT_EQ(contents.rfind("{\\rtf1", 0), 0u) << name;
    }
  }
  // The fifth mail has an attachment.
  EXPECT_EQ(names, (std::vector<std::string>{"Converted_msg_000001.rtf", "Converted_msg_000002.rtf",
                                             "Converted_msg_000003.rtf", "Converted_msg_000004.rtf",
                                             "Converted_msg_000005", "Converted_msg_000005.rtf",
                                             "Converted_msg_000006.rtf"}));
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 6 mails written, 0 failed."), std::string::npos) << o.out;
}

TEST(ConvertCommand, GeneratedStoresInEveryLayoutGiveBackEveryMail) {
  std::vector<std::string> mails;
  const std::size_t lengths[] = {1, 511, 512, 513, 1024, 1500, 4000, 700};
  for (std::size_t i = 0; i < std::size(lengths); ++i) mails.push_back(mailOfLength(lengths[i], static_cast<int>(i)));
  TempDir dir;
  CommandArgs args = {"--to", "eml", "--into", "-d", dir.file("out")};
  const storegen::Layout layouts[] = {storegen::Layout::InOrder, storegen::Layout::Reversed,
                                      storegen::Layout::Interleaved, storegen::Layout::Spread,
                                      storegen::Layout::Shuffled};
  for (const auto layout : layouts) {
    storegen::StoreOptions options;
    options.layout = layout;
    const std::string path = dir.file(std::string(storegen::layoutName(layout)) + ".dbx");
    qm::test::writeFile(path, storegen::buildStore(mails, options).bytes);
    args.push_back(path);
  }
  const Outcome o = convert(args);
  EXPECT_EQ(o.status, 0) << o.err;
  // Shuffled, the engine's mail list holds entries whose chains gained a block in front:
  // they are not mails, and not failures either.
  EXPECT_NE(o.out.find("[5/5] shuffled.dbx: 8 of 8 mails written ->"), std::string::npos) << o.out;
  // In file order the mails come out in their own order; in the other layouts the engine
  // numbers them in the order it meets their chains.
  EXPECT_EQ(filesIn(dir.file("out") + sep + "1_Converted_in-order_As_EML"), expectedMails("in-order", mails));
  for (std::size_t i = 1; i < std::size(layouts); ++i) {
    const std::string title = storegen::layoutName(layouts[i]);
    std::vector<std::string> got;
    for (const auto& [name, contents] : filesIn(dir.file("out") + sep + std::to_string(i + 1) + "_Converted_" +
                                                title + "_As_EML")) {
      EXPECT_TRUE(std::regex_match(name, std::regex(title + "_0000[0-9][0-9]\\.eml"))) << name;
      got.push_back(contents);
    }
    std::vector<std::string> want = mails;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_TRUE(got == want) << title;
  }
}

TEST(ConvertCommand, MakesTheTimeStampedFolderInsideTheDestinationByDefault) {
  TempDir dir;
  const Outcome o = convert({"--to", "eml", "-d", dir.file("new") + sep, kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 0) << o.err;
  const auto made = platform::listDirectory(dir.file("new"));
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(std::regex_match(made[0].name, std::regex(R"(Tarnwick_Converted_DBX_\(DATE=([1-9]|1[0-2])-([1-9]|[12][0-9]|3[01])-20[0-9]{2}\)_\(TIME=([0-9]|1[0-9]|2[0-3])hr\.([0-9]|[1-5][0-9])m\.([0-9]|[1-5][0-9])s\))")))
      << made[0].name;
  const std::string destination = dir.file("new") + sep + made[0].name;
  EXPECT_EQ(filesIn(destination + sep + "1_Converted_Sample_As_EML").size(), 6u);
  EXPECT_NE(o.out.find("Output folder: " + destination + "\n"), std::string::npos) << o.out;
}

TEST(ConvertCommand, BadSourcesAreNamedAndNeverStopTheOthers) {
  TempDir dir;
  qm::test::writeFile(dir.file("notes.dbx"), std::string("not a store at all"));
  const Outcome o = convert({"--to", "eml", "--into", "-d", dir.file("out"), dir.file("missing.dbx"),
                             dir.file("notes.dbx"), kSamples + "/Sample.dbx", dir.path()});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find(quoted(dir.file("missing.dbx")) + " does not exist"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(quoted(dir.file("notes.dbx")) +
                       " is not a message store (File is not a valid dbx file Or File Header is corrupt.)"),
            std::string::npos) << o.err;
  EXPECT_NE(o.err.find(quoted(dir.path()) + " is a folder"), std::string::npos) << o.err;
  // A store with a damaged header is still listed: its mail blocks may be recovered.
  EXPECT_EQ(filesIn(dir.file("out") + sep + "1_Converted_notes_As_EML").size(), 0u);
  EXPECT_EQ(filesIn(dir.file("out") + sep + "2_Converted_Sample_As_EML"), expectedMails("Sample", sampleMails()));
}

TEST(ConvertCommand, ADestinationThatCannotBeMadeIsReported) {
  TempDir dir;
  qm::test::writeFile(dir.file("file"), std::string("x"));
  for (const bool into : {false, true}) {
    CommandArgs args = {"--to", "eml", "-d", dir.file("file") + sep + "sub", kSamples + "/Sample.dbx"};
    if (into) args.push_back("--into");
    const Outcome o = convert(args);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot make the destination folder"), std::string::npos) << o.err;
  }
}

TEST(ConvertCommand, MailsLeftOutByRecoveryAreNeitherWrittenNorFailed) {
  TempDir dir;
  const std::vector<std::string> mails = {mailOfLength(300, 1), "no header here", mailOfLength(900, 3)};
  qm::test::writeFile(dir.file("Mixed.dbx"), storegen::buildStore(mails).bytes);
  const Outcome o = convert({"--to", "eml", "--recovery", "--into", "-d", dir.file("out"), dir.file("Mixed.dbx")});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("[1/1] Mixed.dbx: 2 of 3 mails written, 1 left out by --recovery ->"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 2 mails written, 0 failed, 1 left out by --recovery."),
            std::string::npos) << o.out;
}

TEST(ConvertCommand, FailedMailsGiveTheirReasonExitOneAndNoSuccessText) {
  TempDir dir;
  // The tag makes an output folder name the file system refuses, so every mail fails.
  const std::string tag(300, 't');
  const Outcome o = convert({"--to", "eml", "--into", "--tag=" + tag, "-d", dir.path(), kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("[1/1] Sample.dbx: 0 of 6 mails written, 6 failed ->"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Converted 0 of 1 store: 0 mails written, 6 failed."), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("Successfully"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("quillmend convert: Sample.dbx: 6 mails failed; first reason: "), std::string::npos) << o.err;
  // The folder could not be made either; that is the reason named first.
  EXPECT_NE(o.err.find("first reason: the output folder could not be made (Mail 0 refused: output path of "),
            std::string::npos) << o.err;
  EXPECT_NE(o.err.find("longer than 255"), std::string::npos) << o.err;
}

TEST(ConvertCommand, DamagedStoresAreConvertedWithWarningsAndExitZero) {
  TempDir dir;
  std::vector<std::string> mails = {mailOfLength(1500, 1), mailOfLength(1500, 2), mailOfLength(300, 3)};
  storegen::GeneratedStore store = storegen::buildStore(mails);
  storegen::cutChainAt(store, 0, 0);  // the first mail loses its header block
  storegen::cutChainAt(store, 1, 1);  // the second one is cut in the middle
  qm::test::writeFile(dir.file("Damaged.dbx"), store.bytes);
  const Outcome o = convert({"--to", "eml", "--into", "-d", dir.file("out"), dir.file("Damaged.dbx")});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("[1/1] Damaged.dbx: 3 of 3 mails written ->"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("quillmend convert: Damaged.dbx: warning: 1 chain dropped as incomplete, 2 mails written "
                       "without a recognisable header (--recovery leaves them out), 1 block belonging to no mail\n"),
            std::string::npos) << o.err;
  EXPECT_NE(o.out.find("Damage found: 1 chain dropped as incomplete, 2 mails written without a recognisable header "
                       "(--recovery leaves them out), 1 block belonging to no mail.\n"),
            std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Files converted Successfully"), std::string::npos) << o.out;
}

TEST(ConvertCommand, JsonGivesAnObjectPerStoreAndASummary) {
  TempDir dir;
  const Outcome o = convert({"--json", "--to=eml", "--into", "--dest=" + dir.path(), kSamples + "/Sample.dbx",
                             dir.file("missing.dbx")});
  EXPECT_EQ(o.status, 1);
  std::istringstream lines(o.out);
  std::string store, summary, extra;
  std::getline(lines, store);
  std::getline(lines, summary);
  EXPECT_FALSE(std::getline(lines, extra));
  EXPECT_EQ(store, "{\"store\":" + jsonString(kSamples + "/Sample.dbx") + ",\"state\":\"converted\",\"outputFolder\":" +
                       jsonString(dir.file("1_Converted_Sample_As_EML")) +
                       ",\"mailsFound\":6,\"written\":6,\"failed\":0,\"leftOutByRecovery\":0,"
                       "\"incompleteChains\":0,\"withoutHeader\":0,\"blocksInNoMail\":0,\"reason\":null}");
  EXPECT_TRUE(std::regex_match(summary, std::regex(
      R"(\{"summary":true,"stores":1,"converted":1,"written":6,"failed":0,"leftOutByRecovery":0,)"
      R"("incompleteChains":0,"withoutHeader":0,"blocksInNoMail":0,"outputFolder":".*","seconds":[0-9]+\.[0-9]{3},)"
      R"("interrupted":false,"exitStatus":1\})"))) << summary;
  EXPECT_NE(o.err.find("does not exist"), std::string::npos);
}

TEST(ConvertCommand, QuietPrintsNoResults) {
  TempDir dir;
  const Outcome o = convert({"-q", "--to", "eml", "--into", "-d", dir.path(), kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(filesIn(dir.file("1_Converted_Sample_As_EML")).size(), 6u);
}

TEST(ConvertCommand, TheDestinationIsMadeOnlyWhereItsParentExists) {
  TempDir dir;
  const Outcome deep = convert({"--to", "eml", "-d", dir.file("a") + sep + "b", kSamples + "/Sample.dbx"});
  EXPECT_EQ(deep.status, 1);
  EXPECT_EQ(deep.err, "quillmend convert: cannot make the destination folder '" + dir.file("a") + sep +
                          "b': the folder above it does not exist\n");
  EXPECT_FALSE(platform::isDirectory(dir.file("a")));
  EXPECT_EQ(convert({"--to", "eml", "--into", "-d", dir.file("a"), kSamples + "/Sample.dbx"}).status, 0);
  EXPECT_EQ(filesIn(dir.file("a") + sep + "1_Converted_Sample_As_EML").size(), 6u);
}

TEST(ConvertCommand, NamingOptionsShapeTheOutputFolders) {
  TempDir dir;
  const std::string sample = kSamples + "/Sample.dbx";
  EXPECT_EQ(convert({"--to", "eml", "--into", "--counter", "7", "--tag", "Old Mail", "--no-type-tag", "-d",
                     dir.path(), sample}).status, 0);
  EXPECT_EQ(convert({"--to", "eml", "--into", "--no-counter", "--no-tag", "-d", dir.path(), sample}).status, 0);
  std::vector<std::string> folders;
  for (const auto& [name, contents] : filesIn(dir.path())) folders.push_back(name);
  EXPECT_EQ(folders, (std::vector<std::string>{"7_Old Mail_Sample", "Sample_As_EML"}));
}

TEST(ConvertCommand, RefusesWhatItCannotDoYet) {
  TempDir dir;
  const std::string sample = kSamples + "/Sample.dbx";
  EXPECT_EQ(convert({"--to", "mbox", "-d", dir.path(), sample}).status, 2);
  EXPECT_EQ(convert({"--to", "eml", sample}).status, 2) << "no destination";
  EXPECT_EQ(convert({"--to", "eml", "-d", dir.path()}).status, 2) << "nothing to convert";
  EXPECT_EQ(convert({"--to", "eml", "--counter", "7x", "-d", dir.path(), sample}).status, 2);
  const Outcome slip = convert({"--to", "eml", "--recovry", "-d", dir.path(), sample});
  EXPECT_EQ(slip.status, 2);
  EXPECT_EQ(slip.err, "quillmend convert: unknown option --recovry (did you mean --recovery?)\n"
                      "Try 'quillmend help convert'.\n");
  EXPECT_TRUE(platform::listDirectory(dir.path()).empty());
}

// root: Inbox.dbx, Folders.dbx; root/sub: Sent.dbx; root/RECYCLER: Old.dbx.
class StoreTree : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::createDirectory(dir.file("sub"));
    platform::createDirectory(dir.file("RECYCLER"));
    const auto sample = readFile(kSamples + "/Sample.dbx");
    for (const char* name : {"Inbox.dbx", "Folders.dbx", "sub/Sent.dbx", "RECYCLER/Old.dbx"}) {
      std::string path = dir.file(name);
      std::replace(path.begin(), path.end(), '/', platform::pathSeparator());
      qm::test::writeFile(path, sample);
    }
  }
  TempDir dir;
};

TEST_F(StoreTree, SearchListsTheStoresBreadthFirstOneALine) {
  const Outcome o = run(runSearch, {dir.path()});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, dir.file("Inbox.dbx") + "\n" + dir.file("sub") + sep + "Sent.dbx\n");
  EXPECT_EQ(run(runSearch, {dir.file("absent")}).status, 1);
  EXPECT_EQ(run(runSearch, {}).status, 2);
}

TEST_F(StoreTree, ConvertSearchConvertsWhatTheSearchFinds) {
  TempDir out;
  const Outcome o = convert({"--to", "eml", "--into", "-d", out.path(), "--search", dir.path()});
  EXPECT_EQ(o.status, 0) << o.err;
  std::vector<std::string> folders;
  for (const auto& [name, contents] : filesIn(out.path())) folders.push_back(name);
  EXPECT_EQ(folders, (std::vector<std::string>{"1_Converted_Inbox_As_EML", "2_Converted_Sent_As_EML"}));
  EXPECT_EQ(filesIn(out.file("2_Converted_Sent_As_EML")), expectedMails("Sent", sampleMails()));
}

// What runs left in the system's temporary folder (the tests' own folders are made there
// too): nothing, however they ended.
std::vector<std::string> leftInTemporaryFolder() {
  std::vector<std::string> names;
  for (const auto& e : platform::listDirectory(withoutSeparator(platform::tempFolder())))
    if (e.name.rfind("Tarnwick_Converted_", 0) == 0) names.push_back(e.name);
  return names;
}

// T/Inbox holds the store to convert, a neighbouring store and the user's notes; the run is
// told to write its mails into that very folder.
class OccupiedOutputFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::createDirectory(dir.file("Inbox")));
    sample = readFile(kSamples + "/Sample.dbx");
    qm::test::writeFile(inbox(), sample);
    qm::test::writeFile(dir.file("Inbox") + sep + "Sent.dbx", sample);
    qm::test::writeFile(dir.file("Inbox") + sep + "notes.txt", std::string("my notes"));
  }
  std::string inbox() const { return dir.file("Inbox") + sep + "Inbox.dbx"; }
  Outcome convertInto(const std::string& kind, bool overwrite) {
    CommandArgs args = {"--to", kind, "--into", "--no-counter", "--no-tag", "--no-type-tag", "-d", dir.path()};
    if (overwrite) args.push_back("--overwrite");
    args.push_back(inbox());
    return convert(args);
  }
  void expectUntouched() {
    EXPECT_EQ(readFile(inbox()), sample);
    EXPECT_EQ(readFile(dir.file("Inbox") + sep + "Sent.dbx"), sample);
    EXPECT_EQ(readFile(dir.file("Inbox") + sep + "notes.txt"), "my notes");
  }
  TempDir dir;
  std::string sample;
};

TEST_F(OccupiedOutputFolder, IsRefusedByNameWithoutOverwrite) {
  const Outcome o = convertInto("eml", false);
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("the output folder " + quoted(dir.file("Inbox")) + " already holds files"), std::string::npos)
      << o.err;
  EXPECT_EQ(filesIn(dir.file("Inbox")).size(), 3u);
  expectUntouched();
}

TEST_F(OccupiedOutputFolder, WithOverwriteKeepsTheStoresAndTheUsersFiles) {
  const Outcome o = convertInto("eml", true);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Converted 1 of 1 store: 6 mails written, 0 failed."), std::string::npos) << o.out;
  expectUntouched();
  EXPECT_EQ(filesIn(dir.file("Inbox")).size(), 3u + 6u);
  // Again, with the PST kind: its store file joins them, the mails of the EML run stay.
  const Outcome pst = convertInto("pst", true);
  EXPECT_EQ(pst.status, 0) << pst.err;
  expectUntouched();
  EXPECT_EQ(qm::convert::test::mailsInStoreFile(dir.file("Inbox") + sep + "Converted_Inbox.pst"), 6u);
  EXPECT_EQ(filesIn(dir.file("Inbox")).size(), 3u + 6u + 1u);
  EXPECT_TRUE(leftInTemporaryFolder().empty());
}

// Two stores of one name, without the counter: every mail reported written is on disk.
TEST(ConvertCommand, SameNamedStoresKeepEveryMailWithoutACounter) {
  TempDir dir;
  platform::createDirectory(dir.file("a"));
  platform::createDirectory(dir.file("b"));
  qm::test::writeFile(dir.file("a") + sep + "Inbox.dbx", readFile(kSamples + "/Sample.dbx"));
  const std::vector<std::string> mails = {mailOfLength(700, 1), mailOfLength(2000, 2)};
  qm::test::writeFile(dir.file("b") + sep + "Inbox.dbx", storegen::buildStore(mails).bytes);
  const Outcome o = convert({"--to", "eml", "--into", "--no-counter", "-d", dir.file("out"),
                             dir.file("a") + sep + "Inbox.dbx", dir.file("b") + sep + "Inbox.dbx"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("8 mails written, 0 failed."), std::string::npos) << o.out;
  EXPECT_EQ(filesIn(dir.file("out") + sep + "Converted_Inbox_As_EML"), expectedMails("Inbox", sampleMails()));
  EXPECT_EQ(filesIn(dir.file("out") + sep + "Converted_Inbox_As_EML_2"), expectedMails("Inbox", mails));
}

// Runs started in the same second make the same stamped folder name; each gets its own.
TEST(ConvertCommand, RunsInTheSameSecondNeverShareTheirFolder) {
  qm::mail::useStandardComponents();
  TempDir dir;
  const std::string sample = kSamples + "/Sample.dbx";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(convert({"--to", "pst", "-d", dir.path(), sample}).status, 0);
  const auto made = platform::listDirectory(dir.path());
  ASSERT_EQ(made.size(), 3u);
  for (const auto& folder : made) {
    const std::string pst = dir.file(folder.name) + sep + "1_Converted_Sample_As_PST" + sep + "Converted_Sample.pst";
    EXPECT_EQ(qm::convert::test::mailsInStoreFile(pst), 6u) << folder.name;
  }
}

TEST(ConvertCommand, AFolderTagThatLeavesTheDestinationIsRefused) {
  TempDir dir;
  for (const char* tag : {"../escaped", "..", "a/b"}) {
    const Outcome o = convert({"--to", "eml", "--tag", tag, "-d", dir.file("out"), kSamples + "/Sample.dbx"});
    EXPECT_EQ(o.status, 2) << tag;
    EXPECT_NE(o.err.find("--tag " + quoted(tag) + " cannot hold a path separator or '..'"), std::string::npos) << o.err;
  }
  EXPECT_TRUE(platform::listDirectory(dir.path()).empty());
}

#ifndef _WIN32
// The temporary folder of a store is named to the second; links planted under the names of
// the next seconds are never followed, and their targets keep what they hold.
TEST(ConvertCommand, PlantedLinksInTheTemporaryFolderAreNeverFollowed) {
  qm::mail::useStandardComponents();
  TempDir dir;
  platform::createDirectory(dir.file("victim"));
  qm::test::writeFile(dir.file("victim") + sep + "precious.txt", std::string("keep"));
  const std::string temp = withoutSeparator(platform::tempFolder());
  std::vector<std::string> planted;
  const std::time_t now = std::time(nullptr);
  for (std::time_t t = now; t < now + 6; ++t) {
    std::tm utc{}, local{};
    gmtime_r(&t, &utc);
    localtime_r(&t, &local);
    const platform::Stamp stamp{utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec};
    planted.push_back(qm::convert::tempFolderPath(temp + sep, "Sample", 0, stamp));
    ASSERT_EQ(::symlink(dir.file("victim").c_str(), planted.back().c_str()), 0);
  }
  const Outcome o = convert({"--to", "pst", "-d", dir.file("out"), kSamples + "/Sample.dbx"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(filesIn(dir.file("victim")), (std::vector<std::pair<std::string, std::string>>{{"precious.txt", "keep"}}));
  EXPECT_EQ(leftInTemporaryFolder().size(), planted.size()) << "only the planted links";
  for (const auto& link : planted) ::unlink(link.c_str());
}

// A pipe or a device is refused at once, whether named or found by the search; a pipe named
// *.dbx would otherwise block the run for ever, a device be read for ever.
TEST_F(StoreTree, PipesAndDevicesAreRefusedAndNeverHangTheRun) {
  ASSERT_EQ(::mkfifo(dir.file("Pipe.dbx").c_str(), 0600), 0);
  const Outcome search = run(runSearch, {dir.path()});
  EXPECT_EQ(search.out.find("Pipe.dbx"), std::string::npos) << search.out;
  TempDir out;
  const Outcome o = convert({"--to", "eml", "--into", "-d", out.path(), "--search", dir.path()});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(filesIn(out.path()).size(), 2u);
  for (const std::string& device : {dir.file("Pipe.dbx"), std::string("/dev/zero")}) {
    const Outcome refused = convert({"--to", "eml", "--into", "-d", out.file("again"), device});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(quoted(device) + " is not a regular file"), std::string::npos) << refused.err;
  }
}

// The program itself, for what one process cannot show: runs at once (the engine's block
// table is one per process), a signal, a kill.
std::string shellQuoted(const std::string& text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
// A shell command that runs quillmend convert with `args`, its streams and exit status going
// to outputs.out, outputs.err and outputs.status.
std::string programRun(const std::vector<std::string>& args, const std::string& outputs) {
  std::string line = shellQuoted(QM_QUILLMEND) + " convert";
  for (const auto& a : args) line += " " + shellQuoted(a);
  return "(" + line + " >" + shellQuoted(outputs + ".out") + " 2>" + shellQuoted(outputs + ".err") +
         "; echo $? >" + shellQuoted(outputs + ".status") + ")";
}
// A shell command that starts quillmend convert in the background, sends it `signal` after
// `delay` and waits for it to end.
std::string programSignalled(const std::vector<std::string>& args, const std::string& outputs, const char* signal,
                             const char* delay) {
  std::string line = "exec " + shellQuoted(QM_QUILLMEND) + " convert";
  for (const auto& a : args) line += " " + shellQuoted(a);
  line += " >" + shellQuoted(outputs + ".out") + " 2>" + shellQuoted(outputs + ".err");
  return "sh -c " + shellQuoted(line) + " & pid=$!; sleep " + delay + "; kill -" + signal + " $pid 2>/dev/null; wait $pid; true";
}

// Two runs at once into one destination, with stores of one name: no mail lands in the other
// run's file, and every mail reported written is in a file.
TEST(ConvertProgram, TwoRunsAtOnceIntoOneFolderLoseNoMail) {
  TempDir dir;
  platform::createDirectory(dir.file("a"));
  platform::createDirectory(dir.file("b"));
  std::vector<std::string> many;
  for (int i = 0; i < 2000; ++i) many.push_back(mailOfLength(600 + static_cast<std::size_t>(i % 900), i));
  qm::test::writeFile(dir.file("a") + sep + "Inbox.dbx", storegen::buildStore(many).bytes);
  qm::test::writeFile(dir.file("b") + sep + "Inbox.dbx", readFile(kSamples + "/Sample.dbx"));
  const std::vector<std::string> common = {"--to", "pst", "--into", "--no-counter", "-d", dir.file("out")};
  auto argsFor = [&](const char* store) {
    auto args = common;
    args.push_back(dir.file(store) + sep + "Inbox.dbx");
    return args;
  };
  ASSERT_EQ(std::system((programRun(argsFor("a"), dir.file("run-a")) + " & " + programRun(argsFor("b"), dir.file("run-b")) +
                         " & wait").c_str()), 0);
  std::size_t reported = 0;
  for (const char* r : {"run-a", "run-b"}) {
    const std::string status = readFile(dir.file(r) + ".status"), out = readFile(dir.file(r) + ".out");
    // The later run is refused when the first one's file is there already; it says so.
    if (status == "2\n") continue;
    EXPECT_EQ(status, "0\n") << readFile(dir.file(r) + ".err");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m, std::regex("([0-9]+) mails written, 0 failed"))) << out;
    reported += std::stoul(m[1]);
  }
  std::size_t onDisk = 0;
  for (const auto& folder : platform::listDirectory(dir.file("out"))) {
    const std::size_t mails =
        qm::convert::test::mailsInStoreFile(dir.file("out") + sep + folder.name + sep + "Converted_Inbox.pst");
    EXPECT_TRUE(mails == 2000 || mails == 6) << folder.name << ": " << mails;
    onDisk += mails;
  }
  EXPECT_EQ(onDisk, reported);
  EXPECT_GE(reported, 6u);
}

// A run killed in the middle leaves complete mails under their names, and nothing that looks
// like a converted mail but is not one.
TEST(ConvertProgram, AKilledRunLeavesNoPartialMailUnderAFinalName) {
  TempDir dir;
  std::vector<std::string> many;
  for (int i = 0; i < 20000; ++i) many.push_back(mailOfLength(2000 + static_cast<std::size_t>(i % 5000), i));
  qm::test::writeFile(dir.file("Big.dbx"), storegen::buildStore(many).bytes);
  ASSERT_EQ(std::system(programSignalled({"--to", "eml", "--into", "-d", dir.file("out"), dir.file("Big.dbx")},
                                         dir.file("run"), "KILL", "0.5").c_str()), 0);
  const std::string folder = dir.file("out") + sep + "1_Converted_Big_As_EML";
  std::set<std::string> wanted(many.begin(), many.end());
  std::size_t complete = 0;
  for (const auto& e : platform::listDirectory(folder)) {
    if (e.name.find(".partial") != std::string::npos) continue;
    EXPECT_TRUE(wanted.count(readFile(folder + sep + e.name))) << e.name << " is not a whole mail";
    ++complete;
  }
  if (complete == many.size()) GTEST_SKIP() << "the run ended before it could be killed";
  std::cout << "killed after " << complete << " of " << many.size() << " mails\n";
}

// Ctrl-C on a device that never ends: the program is gone within two seconds.
TEST(ConvertProgram, InterruptOnADeviceEndsTheProgramAtOnce) {
  TempDir dir;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(std::system(programSignalled({"--to", "eml", "-d", dir.file("out"), "/dev/zero"}, dir.file("run"), "INT",
                                         "0.3").c_str()), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_NE(readFile(dir.file("run.err")).find("is not a regular file"), std::string::npos);
}
#endif

}  // namespace
