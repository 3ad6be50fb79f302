// A store folder of our own making, converted whole: three levels of folders, special
// folders with German names, a store whose chain is cut, a store the folder list does not
// name, and mails deleted from an index. Every mail must land in its folder with its state.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/command.h"
#include "cli/convert_command.h"
#include "cli/mailbox_command.h"
#include "mailbox/mailbox_run.h"
#include "mailbox/pst_mailbox_output.h"
#include "mailstore/pst/check/pst_checker.h"
#include "mailstore/pst/pst_store.h"
#include "mailstore/standard_components.h"
#include "tests/mailbox/mailbox_read_back.h"
#include "tests/support/files.h"
#include "tests/support/mailboxgen/mailbox_generator.h"
#include "tests/support/temp_dir.h"

namespace qm::mailbox::test {
namespace {

using mailboxgen::GenFolder;
using mailboxgen::GenMail;
using mailboxgen::fileTimeOf;

constexpr std::int64_t kJan2 = 1577934245;  // 2020-01-02 03:04:05 UTC
constexpr std::int64_t kJan1 = 1577836800;  // 2020-01-01 00:00:00 UTC

std::string mailText(const std::string& subject, std::size_t padding = 0) {
  std::string body = "Hello.\r\nFrom here on the line needs quoting.\r\n>From this one too.\r\n";
  while (body.size() < padding) body += "A line of padding so that the mail spans several blocks.\r\n";
  return "From: Anna <anna@example.org>\r\nTo: bob@example.org\r\nSubject: " + subject +
         "\r\nDate: Wed, 01 Jan 2020 00:00:00 +0000\r\nMIME-Version: 1.0\r\n\r\n" + body;
}

GenMail listed(const std::string& subject, std::uint32_t flags = 0x81, std::int64_t received = kJan2) {
  GenMail m;
  m.text = mailText(subject);
  m.flags = flags;
  m.received = fileTimeOf(received);
  m.date = fileTimeOf(kJan1);
  return m;
}

class GeneratedMailbox : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mail::useStandardComponents(); }

  void SetUp() override {
    const std::string d = dir.path() + "/store";
    std::filesystem::create_directories(d);
    auto folders = mailboxgen::standardFolders();
    folders.push_back({4, 1, "Posteingang", "Inbox.dbx", 1, 2});
    folders.push_back({5, 1, "Postausgang", "", 2, 0});
    folders.push_back({6, 1, "Gesendete Objekte", "Sent.dbx", 3, 1});
    folders.push_back({7, 1, "Gel\xF6schte Objekte", "Deleted.dbx", 4, 1});
    folders.push_back({9, 1, "Projekte", "Projekte.dbx", 0, 1});
    folders.push_back({10, 9, "2024", "2024.dbx", 0, 1});
    folders.push_back({11, 10, "Q1: Plan", "Q1.dbx", 0, 2});
    folders.push_back({12, 1, "Kaputt", "Kaputt.dbx", 0, 2});
    qm::test::writeFile(d + "/Folders.dbx", mailboxgen::folderList(folders));

    qm::test::writeFile(d + "/Inbox.dbx", mailboxgen::messageStore({listed("unread", 0x01), listed("flagged", 0xA1)}));
    qm::test::writeFile(d + "/Sent.dbx", mailboxgen::messageStore({listed("sent")}));
    qm::test::writeFile(d + "/Deleted.dbx", mailboxgen::messageStore({listed("deleted")}));
    qm::test::writeFile(d + "/Projekte.dbx", mailboxgen::messageStore({listed("level 1")}));
    qm::test::writeFile(d + "/2024.dbx", mailboxgen::messageStore({listed("level 2")}));
    GenMail gone = listed("removed from the index");
    gone.listed = false;
    qm::test::writeFile(d + "/Q1.dbx", mailboxgen::messageStore({listed("level 3a"), gone, listed("level 3b")}));
    // The first mail's chain is cut in its second block: its head is lost, its tail is found
    // as a mail of its own that the index does not list.
    std::vector<GenMail> broken{listed("cut"), listed("whole")};
    broken[0].text = mailText("cut", 1200);
    auto bytes = mailboxgen::messageStore(broken);
    const auto second = mailboxgen::blockOffset(broken, 0, 1);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(second), bytes.begin() + static_cast<std::ptrdiff_t>(second + 16), 0xEE);
    qm::test::writeFile(d + "/Kaputt.dbx", bytes);
    qm::test::writeFile(d + "/Stray.dbx", mailboxgen::messageStore({listed("stray 1"), listed("stray 2")}));
    store = d;
  }

  int convert(const std::string& to, const std::string& dest, std::vector<std::string> extra = {}) {
    CommandArgs args{"--mailbox", store, "--to", to, "-d", dest, "--into"};
    args.insert(args.end(), extra.begin(), extra.end());
    out.str("");
    err.str("");
    return runConvert(args, out, err);
  }

  qm::test::TempDir dir;
  std::string store;
  std::ostringstream out, err;
};

TEST_F(GeneratedMailbox, ListShowsTheTreeWithListedAndRecoveredMails) {
  std::ostringstream o, e;
  EXPECT_EQ(runMailboxList({"--mailbox", store}, o, e), kExitSomeFailed) << "a mail the index lists is lost";
  EXPECT_EQ(o.str(),
            "Gel\xC3\xB6schte Objekte [Deleted Items]: 1 mail (1 listed, 0 recovered)\n"
            "Gesendete Objekte [Sent Items]: 1 mail (1 listed, 0 recovered)\n"
            "Kaputt: 2 mails (1 listed, 1 recovered), 1 listed but not found\n"
            "Postausgang [Outbox]: no store\n"
            "Posteingang [Inbox]: 2 mails (2 listed, 0 recovered)\n"
            "Projekte: 1 mail (1 listed, 0 recovered)\n"
            "  2024: 1 mail (1 listed, 0 recovered)\n"
            "    Q1: Plan: 3 mails (2 listed, 1 recovered)\n"
            "Unlisted stores\n"
            "  Stray: 2 mails (2 listed, 0 recovered)\n"
            "Total: 13 mails in 8 stores: 11 listed, 2 recovered.\n");
  EXPECT_NE(e.str().find("1 stores the folder list does not name are under \"Unlisted stores\""), std::string::npos);
}

TEST_F(GeneratedMailbox, PstHoldsTheTreeTheSpecialFoldersAndTheState) {
  const std::string dest = dir.path() + "/pst";
  EXPECT_EQ(convert("pst", dest), kExitSomeFailed) << out.str() << err.str();
  EXPECT_NE(out.str().find("13 mails written, 0 failed"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("1 mails listed by an index were not found whole"), std::string::npos) << out.str();

  const auto check = pst::checkPstFile(dest + "/Mailbox.pst");
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  EXPECT_EQ(check.messages, 13u);
  const auto tree = exportPst(dest + "/Mailbox.pst", dir.path());
  if (!tree.ran) GTEST_SKIP() << "pffexport is not installed";
  std::map<std::string, std::vector<std::string>> subjects;
  for (const auto& [folder, mails] : tree.folders)
    for (const auto& m : mails) subjects[folder].push_back(m.subject);
  const std::map<std::string, std::vector<std::string>> expected{
      {"Inbox", {"unread", "flagged"}},
      {"Sent Items", {"sent"}},
      {"Deleted Items", {"deleted"}},
      {"Projekte", {"level 1"}},
      {"Projekte/2024", {"level 2"}},
      {"Projekte/2024/Q1_ Plan", {"level 3a", "level 3b"}},
      {"Projekte/2024/Q1_ Plan/Recovered", {"removed from the index"}},
      {"Kaputt", {"whole"}},
      {"Kaputt/Recovered", {""}},  // the tail of the cut mail has no header
      {"Unlisted stores/Stray", {"stray 1", "stray 2"}}};
  for (const auto& [folder, want] : expected) EXPECT_EQ(subjects[folder], want) << folder;
  EXPECT_TRUE(tree.folders.count("Outbox")) << "the Outbox is there, empty";
  EXPECT_TRUE(tree.folders.count("Drafts") == 0) << "no Drafts folder in the store folder, none made";

  const auto& inbox = tree.folders.at("Inbox");
  EXPECT_EQ(inbox[0].flags, "0x00000000 (Unread)") << "unread in the old store";
  EXPECT_EQ(inbox[1].flags, "0x00000001 (Read)");
  EXPECT_EQ(inbox[0].delivery, "Jan 02, 2020 03:04:05.000000000 UTC");
  EXPECT_EQ(readpstCounts(dest + "/Mailbox.pst", dir.path()).at("Projekte/2024/Q1_ Plan"), 2);
}

TEST_F(GeneratedMailbox, MboxFilesNestLikeThunderbirdAndKeepTheMailBytes) {
  const std::string dest = dir.path() + "/mbox";
  convert("mbox", dest);
  const auto tree = readMboxTree(dest, dir.path());
  ASSERT_TRUE(tree.count("Posteingang")) << "python3 could not read the files";
  const auto& inbox = tree.at("Posteingang");
  ASSERT_EQ(inbox.size(), 2u);
  EXPECT_EQ(inbox[0].status, "O");
  EXPECT_EQ(inbox[0].xStatus, "-");
  EXPECT_EQ(inbox[1].status, "RO");
  EXPECT_EQ(inbox[1].xStatus, "F");
  EXPECT_EQ(inbox[0].text, mailText("unread")) << "only the quoting differs";
  EXPECT_EQ(tree.at("Projekte.sbd/2024.sbd/Q1_ Plan").size(), 2u);
  const auto& recovered = tree.at("Projekte.sbd/2024.sbd/Q1_ Plan.sbd/Recovered");
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].status, "-") << "no state for a mail the index does not list";
  EXPECT_EQ(recovered[0].text, mailText("removed from the index"));
  EXPECT_EQ(tree.at("Postausgang").size(), 0u);
  EXPECT_EQ(tree.at("Unlisted stores.sbd/Stray").size(), 2u);
  // The separator line and the quoting as they stand in the file.
  const std::string raw = fileText(dest + "/Gesendete Objekte");
  EXPECT_EQ(raw.substr(0, raw.find("From: ")), "From - Thu Jan  2 03:04:05 2020\nStatus: RO\n");
  EXPECT_NE(raw.find("\r\n>From here on"), std::string::npos);
  EXPECT_NE(raw.find("\r\n>>From this one"), std::string::npos);
}

TEST_F(GeneratedMailbox, EmlFoldersAreNamedSafelyAndDatedByReceivedTime) {
  const std::string dest = dir.path() + "/eml";
  convert("eml", dest);
  const auto tree = readEmlTree(dest);
  ASSERT_TRUE(tree.count("Posteingang"));
  EXPECT_EQ(tree.at("Posteingang").at("Inbox_000001.eml"), mailText("unread"));
  EXPECT_EQ(modificationTime(dest + "/Posteingang/Inbox_000001.eml"), kJan2);
  EXPECT_EQ(tree.at("Projekte/2024/Q1_ Plan").size(), 2u);
  ASSERT_EQ(tree.at("Projekte/2024/Q1_ Plan/Recovered").size(), 1u);
  // Not listed: dated by its Date: header.
  EXPECT_EQ(modificationTime(dest + "/Projekte/2024/Q1_ Plan/Recovered/Q1_000002.eml"), kJan1);
  EXPECT_TRUE(tree.count("Gel\xC3\xB6schte Objekte"));
  EXPECT_EQ(tree.at("Unlisted stores/Stray").size(), 2u);
}

TEST_F(GeneratedMailbox, RecoveredDropLeavesOutWhatTheIndexDoesNotList) {
  const std::string dest = dir.path() + "/drop";
  convert("eml", dest, {"--recovered", "drop"});
  const auto tree = readEmlTree(dest);
  EXPECT_EQ(tree.count("Projekte/2024/Q1_ Plan/Recovered"), 0u);
  EXPECT_EQ(tree.at("Projekte/2024/Q1_ Plan").size(), 2u);
  EXPECT_NE(out.str().find("11 mails written"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("(left out)"), std::string::npos) << out.str();
}

TEST_F(GeneratedMailbox, WithoutFoldersDbxEveryStoreIsUnlisted) {
  std::filesystem::remove(store + "/Folders.dbx");
  const std::string dest = dir.path() + "/nolist";
  convert("eml", dest);
  EXPECT_NE(err.str().find("there is no Folders.dbx"), std::string::npos);
  const auto tree = readEmlTree(dest);
  EXPECT_EQ(tree.at("Unlisted stores/Inbox").size(), 2u);
  EXPECT_EQ(tree.at("Unlisted stores/Q1").size(), 2u);
  EXPECT_EQ(tree.at("Unlisted stores/Q1/Recovered").size(), 1u);
  EXPECT_NE(out.str().find("13 mails written"), std::string::npos) << out.str();
}

TEST_F(GeneratedMailbox, ADamagedFoldersDbxKeepsWhatItCanRead) {
  auto list = qm::test::readFile(store + "/Folders.dbx");
  list.resize(0x2B40);  // the first records survive, the tree node is gone
  qm::test::writeFile(store + "/Folders.dbx", list);
  const std::string dest = dir.path() + "/damaged";
  convert("eml", dest);
  EXPECT_NE(err.str().find("Folders.dbx is damaged"), std::string::npos) << err.str();
  const auto tree = readEmlTree(dest);
  EXPECT_EQ(tree.at("Unlisted stores/Inbox").size(), 2u);
  EXPECT_NE(out.str().find("13 mails written"), std::string::npos) << out.str();
}

// Counts the mails and asks for a stop once `stopAfter` are done.
class StopAfter : public MailboxProgress {
 public:
  explicit StopAfter(int n) : stopAfter(n) {}
  void mailDone(bool written) override { done += written ? 1 : 0; }
  int stopAfter;
  int done = 0;
};

TEST_F(GeneratedMailbox, AStoppedRunWritesNothingAfterTheStopAndLeavesAWholeFile) {
  const std::string dest = dir.path() + "/stopped";
  std::filesystem::create_directories(dest);
  StopAfter progress(3);
  MailboxRunOptions options;
  options.stopRequested = [&] { return progress.done >= progress.stopAfter; };
  const Mailbox box = readMailbox(store);
  MailboxTotals totals;
  {
    PstMailboxOutput output(dest + "/Mailbox.pst", dir.path());
    totals = convertMailbox(box, output, options, progress);
  }
  EXPECT_TRUE(totals.stopped);
  EXPECT_EQ(totals.written, 3);
  const auto check = pst::checkPstFile(dest + "/Mailbox.pst");
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  EXPECT_EQ(check.messages, 3u) << "the file holds what was written before the stop";
}

TEST_F(GeneratedMailbox, ADiskThatFillsUpEndsTheRunWithAnErrorNeverASuccess) {
  const std::string dest = dir.path() + "/full";
  std::filesystem::create_directories(dest);
  mail::ComponentSetup setup = mail::defaultComponentSetup();
  setup.storeFactory = [](const std::string& path, const std::u16string& name, const mail::StoreWarningHandler&) {
    mail::PstStoreOptions options;
    options.flushEvery = 1;
    options.diskSpace = 120 * 1024;  // the new file fits, the mails do not all
    return mail::createPstStore(path, name, options);
  };
  MailboxProgress progress;
  MailboxTotals totals;
  {
    PstMailboxOutput output(dest + "/Mailbox.pst", dir.path(), std::make_unique<mail::RDOSession>(setup));
    totals = convertMailbox(readMailbox(store), output, MailboxRunOptions{}, progress);
  }
  EXPECT_FALSE(totals.failure.empty());
  EXPECT_LT(totals.written, 13);
}

TEST_F(GeneratedMailbox, UnknownArgumentsAreRefused) {
  EXPECT_EQ(convert("msg", dir.path() + "/x"), kExitUsage);
  EXPECT_EQ(convert("eml", dir.path() + "/x", {"--recovered", "maybe"}), kExitUsage);
  std::ostringstream o, e;
  EXPECT_EQ(runMailboxList({"--mailbox", dir.path() + "/nowhere"}, o, e), kExitUsage);
}

}  // namespace
}  // namespace qm::mailbox::test
