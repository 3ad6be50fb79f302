// Writing mails as .eml files: names, byte-for-byte content, the recovery-mode header test,
// and the ways a write fails or ends early.
#include <gtest/gtest.h>

#include "engine/dbx_file.h"
#include "engine/log_text.h"
#include "platform/files.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

using qm::storegen::buildStore;
using qm::storegen::writeBlock;
using qm::test::readFile;
using qm::test::TempDir;

namespace {

const std::string kSep(1, qm::platform::pathSeparator());

// An opened store with its mails found, logging into its host.
struct OpenStore {
  explicit OpenStore(const std::string& path, bool recovery = false) : store(host) {
    store.logEnabled = true;
    store.recoveryMode = recovery;
    EXPECT_TRUE(store.open(path));
    store.findMails(count);
    host.log.clear();
  }
  ~OpenStore() { store.close(); }
  RecordingHost host;
  DbxFile store;
  std::int32_t count = 0;
};

std::string text512(char c) { return std::string(512, c); }

TEST(MailWriter, WritesTheChainByteForByteUnderTheNumberedName) {
  TempDir dir;
  const std::string mail = "From: a@example.org\r\n\r\n" + std::string(1500, 'x') + "\xE4\xF6\xFC\r\n";
  OpenStore s(storeFile(dir, "Inbox.dbx", buildStore({mail}).bytes));
  ASSERT_EQ(s.count, 1);
  std::string out;
  ASSERT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_EQ(out, dir.path() + kSep + "Inbox_000001.eml");
  EXPECT_EQ(readFile(out), mail);
  const std::vector<LogEntry> expected = {{"Mail 0 Starts at 60116 Offset", false},
                                          {"Mail:0 saved successfully to file:" + out, false}};
  EXPECT_EQ(s.host.log, expected);
  ASSERT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));  // written again: one file, same text
  EXPECT_EQ(readFile(out), mail);
}

TEST(MailWriter, NumbersPastSixDigitsGrowTheName) {
  EXPECT_EQ(formatLogText("%s_%06d.eml", {"Inbox", 1000000}), "Inbox_1000000.eml");
  EXPECT_EQ(formatLogText("%s_%06d.eml", {"Inbox", 42}), "Inbox_000042.eml");
}

TEST(MailWriter, NumberOutsideTheMailListFails) {
  TempDir dir;
  OpenStore s(storeFile(dir, "Inbox.dbx", buildStore({"hello"}).bytes));
  std::string out = "left by caller";
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 1));
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, -1));
  const std::vector<LogEntry> expected = {
      {"Email index out of bound, Trying to recover email no=1 out of 1", true},
      {"could not write left by caller file to " + dir.path() + " folder", true},
      {"Email index out of bound, Trying to recover email no=-1 out of 1", true},
      {"could not write left by caller file to " + dir.path() + " folder", true}};
  EXPECT_EQ(s.host.log, expected);
}

TEST(MailWriter, SavingBeforeOpeningFails) {
  RecordingHost host;
  DbxFile store(host);
  store.logEnabled = true;
  std::string out;
  EXPECT_FALSE(store.saveMailToEML("x", out, 0));
  EXPECT_EQ(host.log, (std::vector<LogEntry>{{"trying to save mail to EML without opening DBX file", true}}));
}

// X waits for Y; H is a mail start until Y, which follows X, is found to precede it. H stays
// in the mail list but is no mail start and fails without a line of its own.
TEST(MailWriter, ListedBlockThatIsNoMailStartFailsSilently) {
  TempDir dir;
  std::vector<std::uint8_t> bytes;
  writeBlock(bytes, 70000, 70000, 72000, text512('x'));
  writeBlock(bytes, 71000, 80000, 0, "tail");
  writeBlock(bytes, 72000, 72000, 80000, text512('y'));
  bytes.resize(100000);  // successor offsets lie inside the file
  OpenStore s(storeFile(dir, "Odd.dbx", bytes));
  ASSERT_EQ(s.count, 2);
  std::string out;
  ASSERT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_EQ(readFile(out), text512('x') + text512('y') + "tail");
  out = "before";
  s.host.log.clear();
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 1));
  EXPECT_EQ(s.host.log, (std::vector<LogEntry>{{"could not write before file to " + dir.path() + " folder", true}}));
}

TEST(MailWriter, ChainThatLoopsBackIsWrittenOnceAndReported) {
  TempDir dir;
  std::vector<std::uint8_t> bytes;  // X -> A -> B -> A, laid out X, B, A
  writeBlock(bytes, 69000, 69000, 70000, text512('X'));
  writeBlock(bytes, 70000, 71000, 70000, text512('B'));
  writeBlock(bytes, 71000, 70000, 71000, text512('A'));
  OpenStore s(storeFile(dir, "Loop.dbx", bytes));
  ASSERT_EQ(s.count, 1);
  std::string out;
  EXPECT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_EQ(readFile(out), text512('X') + text512('A') + text512('B'));
  EXPECT_TRUE(s.host.hasLine("Mail 0 chain loops back to block No:2; the blocks before it are saved", true));
}

// A failed mail leaves nothing under a name that looks converted, nor a partial file.
TEST(MailWriter, SuccessorIndexOutOfRangeFailsAndLeavesNoFile) {
  TempDir dir;
  OpenStore s(storeFile(dir, "Inbox.dbx", buildStore({text512('a') + "b"}).bytes));
  s.store.blockTable[0].next = 5;
  std::string out;
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_TRUE(s.host.hasLine("Mail rejected due to object index out of bound. Object index:6 out of total:2", true));
  EXPECT_FALSE(qm::platform::fileExists(out));
  EXPECT_EQ(qm::platform::listDirectory(dir.path()).size(), 1u) << "only the store";
}

TEST(MailWriter, UnreadableBlockFailsTheMailAndLeavesNoFile) {
  TempDir dir;
  OpenStore s(storeFile(dir, "Inbox.dbx", buildStore({text512('a') + text512('b') + "c"}).bytes));
  s.store.blockTable[1].position = 10'000'000;  // as if the file had shrunk since the scan
  std::string out;
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_FALSE(qm::platform::fileExists(out));
  EXPECT_TRUE(s.host.hasLine("Error reading block No:1 (offset=10000000) of Email No:0 ", true));
}

TEST(MailWriter, StopRequestEndsTheMailAtOnceAndLeavesNoFile) {
  TempDir dir;
  OpenStore s(storeFile(dir, "Inbox.dbx", buildStore({text512('a') + text512('b') + "c"}).bytes));
  s.host.stopAfterPolls = 1;  // the first block is written, the stop comes before the second
  std::string out;
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_FALSE(qm::platform::fileExists(out));
  EXPECT_TRUE(s.host.hasLine("Mail 0 not completed: conversion stopped", true));
  EXPECT_TRUE(s.host.hasLine("could not write " + out + " file to " + dir.path() + " folder", true));
}

TEST(MailWriter, OutputPathLongerThan255CharactersIsRefusedWhole) {
  TempDir dir;
  const std::size_t fixed = dir.path().size() + 1 + std::string("_000001.eml").size();
  ASSERT_LT(fixed + 20, 255u);
  const std::string fits(255 - fixed, 't');
  const std::string tooLong(256 - fixed, 't');
  {
    OpenStore s(storeFile(dir, fits + ".dbx", buildStore({"hi"}).bytes));
    std::string out;
    EXPECT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));
    EXPECT_EQ(out.size(), 255u);
  }
  OpenStore s(storeFile(dir, tooLong + ".dbx", buildStore({"hi"}).bytes));
  std::string out;
  EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_EQ(out.size(), 256u);
  EXPECT_FALSE(qm::platform::fileExists(out));
  EXPECT_TRUE(s.host.hasLine("Mail 0 refused: output path of 256 characters is longer than 255: " + out, true));
}

// The recovery-mode header test, one mail per case.
struct HeaderCase {
  const char* name;
  std::string text;
  bool accepted;
};

std::vector<HeaderCase> headerCases() {
  const std::string composer =
      "From: a@example.org\r\nTo: b@example.org\r\nSubject: s\r\nDate: Mon, 1 May 2006 10:00:00 +0200\r\n";
  const std::string filler(2400, '.');
  return {
      {"composer headers", composer + "MIME-Version: 1.0\r\nX-MimeOLE: Produced\r\n\r\nbody", true},
      {"composer headers, lower-case variants", composer + "MIME-version: 1.0\r\nX-mimeOLE: P\r\n\r\nbody", true},
      {"composer headers without X-MimeOLE", composer + "MIME-Version: 1.0\r\n\r\nbody", false},
      {"delivery headers, capitalised; To: only inside Reply-To:",
       "Received: x\r\nDelivered-To: b\r\nReply-To: c\r\nFrom: a\r\nSubject: s\r\n\r\nbody", true},
      {"delivery headers, lower case",
       "Received: x\r\nEnvelope-to: b\r\nReturn-path: c\r\nFrom: a\r\nTo: b\r\nSubject: s\r\n\r\nbody", true},
      {"delivery headers, mixed spelling",
       "Received: x\r\nDelivered-to: b\r\nReturn-Path: c\r\nFrom: a\r\nTo: b\r\nSubject: s\r\n\r\nbody", false},
      {"keywords found anywhere, not only at line starts",
       "xFrom: xTo: xSubject: xDate: xMIME-Version: xX-MimeOLE:", true},
      {"header within the first 2560 bytes", filler + composer + "MIME-Version: 1\r\nX-MimeOLE: P\r\n", true},
      {"header beyond the first 2560 bytes", filler + filler + composer + "MIME-Version: 1\r\nX-MimeOLE: P\r\n", false},
      {"zero byte ends the header text", std::string("Sub\0", 4) + composer + "MIME-Version: 1\r\nX-MimeOLE: P\r\n", false},
      {"no header at all", "just some text", false},
  };
}

TEST(MailWriterRecovery, AcceptsOnlyMailsWithARecognisedHeader) {
  const auto cases = headerCases();
  std::vector<std::string> texts;
  for (const auto& c : cases) texts.push_back(c.text);
  TempDir dir;
  const std::string path = storeFile(dir, "Mixed.dbx", buildStore(texts).bytes);
  OpenStore s(path, true);
  ASSERT_EQ(s.count, static_cast<std::int32_t>(cases.size()));
  for (std::size_t m = 0; m < cases.size(); ++m) {
    std::string out;
    const auto number = static_cast<std::int32_t>(m);
    EXPECT_EQ(s.store.saveMailToEML(dir.path(), out, number), cases[m].accepted) << cases[m].name;
    const std::string refusal = formatLogText("Mail %d rejected as no valid mail header found in it.", {number});
    EXPECT_EQ(s.host.hasLine(refusal, true), !cases[m].accepted) << cases[m].name;
  }
  // Without recovery mode every mail is written, whatever its text.
  TempDir plain;
  const Extraction all = extractMails(path, plain, false);
  EXPECT_EQ(all.mails, texts);
}

TEST(MailWriterRecovery, FirstBlockCutShortByTheFileEndIsRefused) {
  TempDir dir;
  const std::string mail = "From: a\r\nTo: b\r\nSubject: c\r\nDate: d\r\nMIME-Version: 1\r\nX-MimeOLE: x\r\n";
  auto store = buildStore({mail});
  qm::storegen::truncateStore(store, 60116 + 100);
  const std::string path = storeFile(dir, "Cut.dbx", store.bytes);
  {
    OpenStore s(path, true);
    ASSERT_EQ(s.count, 1);
    std::string out;
    EXPECT_FALSE(s.store.saveMailToEML(dir.path(), out, 0));
    EXPECT_TRUE(s.host.hasLine("Error reading even first block of Email No:0", true));
  }
  OpenStore s(path, false);  // without recovery mode its text is all there and is written
  std::string out;
  EXPECT_TRUE(s.store.saveMailToEML(dir.path(), out, 0));
  EXPECT_EQ(readFile(out), mail);
}

}  // namespace
