// The parts of a mailbox conversion that need no store: names made safe, the mbox entry of a
// mail, the dates, and the tree a folder list gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "mailbox/mail_time.h"
#include "mailbox/mailbox_tree.h"
#include "mailbox/mbox_tree_output.h"
#include "mailbox/safe_names.h"

namespace qm::mailbox {
namespace {

TEST(SafeName, CharactersNoFileSystemTakesBecomeUnderscores) {
  EXPECT_EQ(safeName("Q1: Plan"), "Q1_ Plan");
  EXPECT_EQ(safeName("a/b\\c*d?e\"f<g>h|i"), "a_b_c_d_e_f_g_h_i");
  EXPECT_EQ(safeName(std::string("tab\there", 8)), "tab_here");
  EXPECT_EQ(safeName("Entw\xC3\xBCrfe"), "Entw\xC3\xBCrfe") << "UTF-8 names stay";
}

TEST(SafeName, NamesWindowsRefusesAreChanged) {
  EXPECT_EQ(safeName("CON"), "_CON");
  EXPECT_EQ(safeName("com1.txt"), "_com1.txt");
  EXPECT_EQ(safeName("COM10"), "COM10");
  EXPECT_EQ(safeName("trailing. . "), "trailing");
  EXPECT_EQ(safeName(""), "_");
  EXPECT_EQ(safeName("..."), "_");
}

TEST(SafeName, LongNamesAreCutWithoutSplittingACharacter) {
  std::string name;
  for (int i = 0; i < 100; ++i) name += "\xC3\xBC";  // 200 bytes of "ü"
  const std::string safe = safeName(name);
  EXPECT_EQ(safe.size(), 120u);
  EXPECT_EQ(safe.substr(118), "\xC3\xBC");
}

TEST(SiblingNames, SameNameInAnyCaseGetsANumber) {
  SiblingNames names;
  EXPECT_EQ(names.take("Inbox"), "Inbox");
  EXPECT_EQ(names.take("inbox"), "inbox (2)");
  EXPECT_EQ(names.take("INBOX"), "INBOX (3)");
  EXPECT_EQ(names.take("Recovered"), "Recovered");
}

MailState readState() {
  MailState s;
  s.listed = true;
  s.read = true;
  s.received = 951782400;  // 2000-02-29 00:00:00 UTC
  return s;
}

TEST(MboxEntry, FromLinesAreQuotedTheMboxrdWay) {
  const std::string text = "Subject: x\r\n\r\nFrom here\r\n>From there\r\n>>From far\r\nXFrom no\r\n From no\r\n";
  EXPECT_EQ(mboxEntry(text, MailState{}),
            "From - Thu Jan  1 00:00:00 1970\n"
            "Subject: x\r\n\r\n>From here\r\n>>From there\r\n>>>From far\r\nXFrom no\r\n From no\r\n\n");
}

TEST(MboxEntry, StateOfTheIndexGoesInFrontOfTheHeader) {
  MailState unread = readState();
  unread.read = false;
  unread.flagged = true;
  EXPECT_EQ(mboxEntry("Subject: y\r\n\r\nbody\r\n", unread),
            "From - Tue Feb 29 00:00:00 2000\nStatus: O\nX-Status: F\nSubject: y\r\n\r\nbody\r\n\n");
  EXPECT_EQ(mboxEntry("Subject: y\r\n\r\nbody\r\n", readState()).substr(0, 43),
            "From - Tue Feb 29 00:00:00 2000\nStatus: RO\n");
}

TEST(MboxEntry, ALastLineWithoutLineEndGetsOne) {
  EXPECT_EQ(mboxEntry("Subject: z\r\n\r\nno end", MailState{}), "From - Thu Jan  1 00:00:00 1970\nSubject: z\r\n\r\nno end\n\n");
  EXPECT_EQ(mboxEntry("From the first line", MailState{}), "From - Thu Jan  1 00:00:00 1970\n>From the first line\n\n");
}

TEST(MailTime, TheDateHeaderIsReadFromTheHeaderBlockOnly) {
  EXPECT_EQ(dateHeaderTime("Subject: a\r\nDATE: Tue, 29 Feb 2000\r\n 00:00:00 +0000\r\n\r\nDate: Mon, 1 Jan 2001\r\n"),
            951782400);
  EXPECT_EQ(dateHeaderTime("Subject: a\r\n\r\nDate: Tue, 29 Feb 2000 00:00:00 +0000\r\n"), std::nullopt);
  MailState noTimes;
  EXPECT_EQ(filingTime(noTimes, "Date: Tue, 29 Feb 2000 00:00:10 +0000\r\n\r\n"), 951782410);
  EXPECT_EQ(filingTime(readState(), "Date: Tue, 29 Feb 2000 00:00:10 +0000\r\n\r\n"), 951782400)
      << "the received time the index keeps comes first";
}

TEST(MailTime, AsctimeDates) {
  EXPECT_EQ(asctimeText(0), "Thu Jan  1 00:00:00 1970");
  EXPECT_EQ(asctimeText(951782400 + 13 * 3600 + 5 * 60 + 9), "Tue Feb 29 13:05:09 2000");
  EXPECT_EQ(asctimeText(-1), "Wed Dec 31 23:59:59 1969");
}

FolderRecord folder(std::uint32_t id, std::uint32_t parent, std::string name, std::string file = {},
                    SpecialFolder special = SpecialFolder::None) {
  FolderRecord f;
  f.id = id;
  f.parent = parent;
  f.name = std::move(name);
  f.storeFile = std::move(file);
  f.special = special;
  return f;
}

std::string treeText(const Mailbox& box) {
  std::string out;
  for (const auto& v : foldersOf(box)) {
    out += std::string(2 * (v.path.size() - 1), ' ') + v.folder->name;
    const std::string& path = v.folder->storePath;
    if (!path.empty()) out += " <" + path.substr(path.find_last_of("/\\") + 1) + ">";
    out += "\n";
  }
  return out;
}

TEST(FolderTree, LocalFoldersAreTheTopAndAccountsSitBesideThem) {
  FolderList list;
  list.complete = true;
  list.folders = {folder(0, 0xFFFFFFFF, "Outlook Express"), folder(1, 0, "Local Folders"),
                  folder(2, 0, "Hotmail"), folder(4, 1, "Posteingang", "Inbox.dbx", SpecialFolder::Inbox),
                  folder(9, 4, "KDE", "KDE.dbx"), folder(10, 9, "kmail", "kmail.dbx"),
                  folder(11, 1, "archiv", "Archiv.dbx")};
  std::vector<std::string> stores{"inbox.dbx", "kde.dbx", "Archiv.dbx", "Stray.dbx"};
  const Mailbox box = treeOf("d", list, stores);
  EXPECT_EQ(treeText(box),
            "Hotmail\narchiv <Archiv.dbx>\nPosteingang <inbox.dbx>\n  KDE <kde.dbx>\n    kmail\n");
  EXPECT_EQ(stores, std::vector<std::string>{"Stray.dbx"}) << "what no folder names is left";
  EXPECT_EQ(box.folder, "d");
  ASSERT_EQ(box.notes.size(), 1u);
  EXPECT_EQ(box.notes[0], "the store file kmail.dbx of the folder \"kmail\" is missing");
}

TEST(FolderTree, RecordsCutOffFromTheRootStillGiveTheirStores) {
  FolderList list;
  list.folders = {folder(0, 0xFFFFFFFF, "Outlook Express"), folder(1, 0, "Local Folders"),
                  folder(20, 77, "Waise", "Waise.dbx"),                           // parent missing
                  folder(21, 22, "Loop A", "A.dbx"), folder(22, 21, "Loop B", "B.dbx"),  // a loop
                  folder(23, 23, "Self", "Self.dbx"),
                  folder(24, 1, "Twice", "Waise.dbx")};  // a second folder naming the same store
  std::vector<std::string> stores{"Waise.dbx", "A.dbx", "B.dbx", "Self.dbx"};
  const Mailbox box = treeOf("d", list, stores);
  EXPECT_EQ(treeText(box), "Twice <Waise.dbx>\nWaise\nLoop A <A.dbx>\n  Loop B <B.dbx>\nSelf <Self.dbx>\n");
  EXPECT_TRUE(stores.empty());
  EXPECT_EQ(box.stores, 4);
}

TEST(FolderTree, AChainOfFoldersDeeperThanAnyRealTreeIsCutIntoPieces) {
  FolderList list;
  list.folders = {folder(0, 0xFFFFFFFF, "Outlook Express"), folder(1, 0, "Local Folders")};
  for (std::uint32_t id = 9; id < 209; ++id) list.folders.push_back(folder(id, id == 9 ? 1 : id - 1, "f"));
  std::vector<std::string> stores;
  const Mailbox box = treeOf("d", list, stores);
  std::size_t folders = 0, deepest = 0;
  for (const auto& v : foldersOf(box)) {
    ++folders;
    deepest = std::max(deepest, v.path.size());
  }
  EXPECT_EQ(folders, 200u) << "every folder is kept";
  EXPECT_EQ(deepest, 65u);
  EXPECT_EQ(box.top.size(), 4u);
}

}  // namespace
}  // namespace qm::mailbox
