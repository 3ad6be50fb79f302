// The store folders Outlook Express itself wrote (the German install with its folder tree,
// and a fresh profile) converted whole into each output kind: the tree with the names the
// user saw, every mail in its folder, the read state and the received times of the indexes.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <set>
#include <sstream>

#include "cli/command.h"
#include "cli/convert_command.h"
#include "engine/dbx_file.h"
#include "mailstore/pst/check/pst_checker.h"
#include "mailstore/standard_components.h"
#include "oestore/store_index.h"
#include "tests/mailbox/mailbox_read_back.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::mailbox::test {
namespace {

namespace fs = std::filesystem;

// A folder of the output (EML path below the top), the store its mails come from, and the
// folder pffexport shows for it in the personal folder file.
struct ExpectedFolder {
  std::string eml;
  std::string store;  // file name in the store folder
  std::string pst;
};

const std::vector<ExpectedFolder> kRealFolders{
    {"Posteingang", "Posteingang.dbx", "Inbox"},
    {"Posteingang/KDE", "kde.dbx", "Inbox/KDE"},
    {"Posteingang/KDE/kmail", "kmail.dbx", "Inbox/KDE/kmail"},
    {"Mailinglists", "Mailinglists.dbx", "Mailinglists"},
    {"Mailinglists/acpi-devel", "acpi-devel.dbx", "Mailinglists/acpi-devel"},
    {"Mailinglists/ck", "ck.dbx", "Mailinglists/ck"},
    {"Mailinglists/hal", "hal.dbx", "Mailinglists/hal"},
    {"Mailinglists/hal/hal-commit", "hal-commit.dbx", "Mailinglists/hal/hal-commit"},
    {"Mailinglists/linux-kernel", "linux-kernel.dbx", "Mailinglists/linux-kernel"},
    {"Gesendete Objekte", "", "Sent Items"},
    {"Gel\xC3\xB6schte Objekte", "", "Deleted Items"},
    {"Entw\xC3\xBCrfe", "", "Drafts"},
    {"Postausgang", "", "Outbox"},
};

const std::vector<ExpectedFolder> kWelcomeFolders{
    {"Inbox", "Inbox.dbx", "Inbox"},
    {"Outbox", "Outbox.dbx", "Outbox"},
    {"Hotmail", "", "Hotmail"},
    {"Sent Items", "", "Sent Items"},
    {"Deleted Items", "", "Deleted Items"},
    {"Drafts", "", "Drafts"},
};

// The mbox file of an EML folder path: "Posteingang/KDE" -> "Posteingang.sbd/KDE".
std::string mboxPathOf(const std::string& eml) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t slash; (slash = eml.find('/', start)) != std::string::npos; start = slash + 1)
    out += eml.substr(start, slash - start) + ".sbd/";
  return out + eml.substr(start);
}

// pffexport's form of a FILETIME: "Apr 14, 2005 15:13:41.000000000 UTC".
std::string pffTime(std::uint64_t fileTime) {
  const auto t = static_cast<std::time_t>(fileTime / 10000000 - 11644473600ULL);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%b %d, %Y %H:%M:%S.000000000 UTC", &tm);
  return text;
}

// The mails of a store as the engine writes them, by file name, and the received time and
// read flag its index keeps for each (in the engine's order).
struct StoreMails {
  std::map<std::string, std::string> files;
  std::vector<std::uint64_t> received;
};

StoreMails storeMails(const std::string& path, const std::string& work) {
  StoreMails out;
  fs::remove_all(work);
  fs::create_directories(work);
  LogOnlyHost host;
  DbxFile engine(host);
  std::int32_t found = 0;
  if (engine.open(path)) {
    for (int j = 0; j < engine.findMails(found); ++j) {
      std::string written;
      if (engine.saveMailToEML(work, written, j))
        out.files[fs::path(written).filename().string()] = fileText(written);
    }
    engine.close();
  }
  auto source = oe::FileSource::open(path);
  if (source)
    for (const auto& m : oe::readMessageIndex(*source).mails) out.received.push_back(m.info.receivedTime);
  return out;
}

class RealMailbox : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { mail::useStandardComponents(); }

  void SetUp() override {
    store = qm::test::sharedFile("samples/" + GetParam());
    if (!fs::exists(store + "/Folders.dbx")) GTEST_SKIP() << "no real store folder at " << store;
    expected = GetParam() == "real" ? kRealFolders : kWelcomeFolders;
  }

  void convert(const std::string& to) {
    std::ostringstream out, err;
    const int status = runConvert({"--mailbox", store, "--to", to, "-d", dir.path() + "/" + to, "--into"}, out, err);
    // The German folder list names stores the sample does not carry; they held no mail.
    EXPECT_EQ(status, kExitOk) << out.str() << err.str();
  }

  std::string store;
  std::vector<ExpectedFolder> expected;
  qm::test::TempDir dir;
};

TEST_P(RealMailbox, EmlFoldersHoldEveryMailDatedByItsReceivedTime) {
  convert("eml");
  const auto tree = readEmlTree(dir.path() + "/eml");
  for (const auto& f : expected) {
    SCOPED_TRACE(f.eml);
    ASSERT_TRUE(tree.count(f.eml));
    if (f.store.empty()) {
      EXPECT_TRUE(tree.at(f.eml).empty());
      continue;
    }
    const StoreMails mails = storeMails(store + "/" + f.store, dir.path() + "/work");
    EXPECT_EQ(tree.at(f.eml), mails.files);
    std::multiset<std::int64_t> times, want;
    for (const auto& [name, text] : mails.files) times.insert(modificationTime(dir.path() + "/eml/" + f.eml + "/" + name));
    for (auto t : mails.received) want.insert(static_cast<std::int64_t>(t / 10000000 - 11644473600ULL));
    EXPECT_EQ(times, want);
  }
}

TEST_P(RealMailbox, MboxFilesReadBackByteForByte) {
  convert("eml");
  convert("mbox");
  const auto emls = readEmlTree(dir.path() + "/eml");
  const auto boxes = readMboxTree(dir.path() + "/mbox", dir.path());
  ASSERT_FALSE(boxes.empty()) << "python3 could not read the files";
  for (const auto& f : expected) {
    SCOPED_TRACE(f.eml);
    ASSERT_TRUE(boxes.count(mboxPathOf(f.eml)));
    const auto& mails = boxes.at(mboxPathOf(f.eml));
    std::vector<std::string> want;
    for (const auto& [name, text] : emls.at(f.eml)) want.push_back(text);
    std::vector<std::string> got;
    for (const auto& m : mails) {
      got.push_back(m.text);
      EXPECT_EQ(m.status, "RO") << "every mail of the samples was read";
    }
    EXPECT_EQ(got, want);
  }
}

TEST_P(RealMailbox, PstShowsTheTreeTheReadStateAndTheDeliveryTimes) {
  convert("pst");
  const std::string pst = dir.path() + "/pst/Mailbox.pst";
  const auto check = pst::checkPstFile(pst);
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  const auto tree = exportPst(pst, dir.path());
  if (!tree.ran) GTEST_SKIP() << "pffexport is not installed";
  const auto counts = readpstCounts(pst, dir.path());
  for (const auto& f : expected) {
    SCOPED_TRACE(f.pst);
    ASSERT_TRUE(tree.folders.count(f.pst));
    const auto& mails = tree.folders.at(f.pst);
    std::multiset<std::string> times, want;
    for (const auto& m : mails) {
      times.insert(m.delivery);
      EXPECT_EQ(m.flags.find(" (Read"), 10u) << m.flags;  // "0x00000001 (Read)", with "Has attachments" for some
    }
    if (!f.store.empty()) {
      for (auto t : storeMails(store + "/" + f.store, dir.path() + "/work").received) want.insert(pffTime(t));
    }
    EXPECT_EQ(times, want);
    if (!counts.empty() && !mails.empty()) {
      EXPECT_EQ(counts.at(f.pst), static_cast<int>(mails.size()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, RealMailbox, ::testing::Values("real", "real/welcome"),
                         [](const auto& info) { return info.param == "real" ? "German" : "Welcome"; });

}  // namespace
}  // namespace qm::mailbox::test
