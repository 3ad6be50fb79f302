// Stores written through the store interface and the writer, read back by three
// independent readers and by our structural checker.
#include <gtest/gtest.h>

#include "mailstore/pst/check/pst_checker.h"
#include "mailstore/pst/check/pst_reader.h"
#include "mailstore/pst/messaging/pst_writer.h"
#include "mailstore/pst/messaging/text.h"
#include "mailstore/pst/pst_store.h"
#include "platform/bytes.h"
#include "tests/mailstore/pst/pst_test_mails.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using qm::mail::RecipientKind;
using qm::test::ExpectedStore;
using qm::test::MailFields;

const std::u16string kStoreName = u"Tarnwick Converted Mails";

void expectSound(const std::string& path) {
  const auto report = qm::pst::checkPstFile(path);
  for (const auto& p : report.problems) ADD_FAILURE() << p;
  EXPECT_EQ(report.unusedBlocks, 0u) << "our files leave no block unused";
}

void expectReadersAgree(const std::string& path, const ExpectedStore& folders, const qm::test::TempDir& dir) {
  const auto rb = qm::test::readBack(path, "Tarnwick Converted Mails", folders, dir.path());
  if (!rb.ran) return;  // the readers are Linux programs
  EXPECT_EQ(rb.status, 0) << rb.output;
}

TEST(PstStore, ReadersSeeEveryFieldOfEveryMail) {
  qm::test::TempDir dir;
  const std::string path = dir.file("mails.pst");

  MailFields plain;
  plain.subject = u"RE: Grüße aus Köln – 東京";
  plain.prefix = u"RE: ";
  plain.recipients = {{RecipientKind::To, {u"Bob Brown", "bob@example.com"}},
                      {RecipientKind::To, {u"Zoë Zimmer", "zoe@example.org"}},
                      {RecipientKind::Cc, {u"", "carl@example.net"}},
                      {RecipientKind::Bcc, {u"Hidden Harry", "harry@example.com"}}};
  plain.text = u"Grüße,\r\nder Text: 東京 ✓\r\n";
  auto mail1 = qm::test::makeMail(plain);
  mail1.attachments.push_back(qm::test::makeAttachment(u"note.txt", 120, 1, "text/plain"));
  mail1.attachments.push_back(qm::test::makeAttachment(u"Präsentation.pdf", 3 * 1024 * 1024 + 17, 2, "application/pdf"));

  MailFields html;
  html.subject = u"Newsletter";
  html.text = u"Plain part";
  html.html = u"<html><body><p>Héllo <b>world</b></p></body></html>";
  html.sent = 1262304000;
  auto mail2 = qm::test::makeMail(html);
  auto image = qm::test::makeAttachment(u"logo.png", 4000, 3, "image/png");
  image.contentId = "logo@example.com";
  image.isInline = true;
  mail2.attachments.push_back(image);
  // Large enough for an XXBLOCK (more than 1,021 blocks of 8,176 bytes).
  mail2.attachments.push_back(qm::test::makeAttachment(u"video.bin", 9 * 1024 * 1024, 4));

  MailFields innerFields;
  innerFields.subject = u"Original message";
  innerFields.from = {u"Ivan Inner", "ivan@example.com"};
  innerFields.text = u"The forwarded text.\r\n";
  auto inner = qm::test::makeMail(innerFields);
  inner.attachments.push_back(qm::test::makeAttachment(u"inner.txt", 10, 5, "text/plain"));
  MailFields fwd;
  fwd.subject = u"Fwd: Original message";
  fwd.prefix = u"Fwd: ";
  auto mail3 = qm::test::makeMail(fwd);
  mail3.attachments.push_back(qm::test::makeEmbedded(inner));

  MailFields bare;  // no header block, no date: what the store's properties alone give
  bare.subject = u"No headers, no date";
  bare.headers = false;
  bare.sent = std::nullopt;
  const auto mail4 = qm::test::makeMail(bare);

  {
    auto store = qm::mail::createPstStore(path, kStoreName);
    store->ensureStandardFolders();
    const auto inbox = *store->defaultFolder(qm::mail::DefaultFolder::Inbox);
    const auto sub = store->addFolder(inbox, u"Ärchiv", "IPF.Note");
    store->addMessage(inbox, mail1, true);
    store->addMessage(inbox, mail2, true);
    store->addMessage(sub, mail3, true);
    store->addMessage(sub, mail4, true);
    store->flush();
  }
  expectSound(path);
  expectReadersAgree(path, {{"Deleted Items", {}}, {"Inbox", {&mail1, &mail2}}, {"Inbox/Ärchiv", {&mail3, &mail4}}}, dir);
}

TEST(PstStore, StoreWithNoMailsHasItsFolder) {
  qm::test::TempDir dir;
  const std::string path = dir.file("empty.pst");
  {
    auto store = qm::mail::createPstStore(path, kStoreName);
    store->addFolder(store->rootFolder(), u"Inbox", "IPF.Note");
  }
  expectSound(path);
  expectReadersAgree(path, {{"Deleted Items", {}}, {"Inbox", {}}}, dir);
}

TEST(PstStore, FolderTreeAndDefaultFoldersAreAsCallersFindThem) {
  qm::test::TempDir dir;
  auto store = qm::mail::createPstStore(dir.file("tree.pst"), kStoreName);
  const auto root = store->rootFolder();
  ASSERT_EQ(store->childFolders(root).size(), 1u);
  EXPECT_EQ(store->folderName(store->childFolders(root)[0]), u"Deleted Items");
  EXPECT_EQ(store->defaultFolder(qm::mail::DefaultFolder::DeletedItems), store->childFolders(root)[0]);
  EXPECT_FALSE(store->defaultFolder(qm::mail::DefaultFolder::Inbox).has_value())
      << "a new file has no Inbox until the standard folders are made";
  store->ensureStandardFolders();
  store->ensureStandardFolders();
  const auto a = store->defaultFolder(qm::mail::DefaultFolder::Inbox);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(store->folderName(*a), u"Inbox");
  EXPECT_EQ(store->folderClass(*a), "IPF.Note");
  const auto b = store->addFolder(root, u"inbox", "IPF.Note");
  EXPECT_NE(*a, b);
  EXPECT_EQ(store->folderName(b), u"inbox");
  EXPECT_EQ(store->childFolders(root).size(), 3u) << "one Inbox, however often asked for";
  EXPECT_THROW(store->addMessage(12345, qm::test::makeMail({}), true), qm::mail::StoreError);
}

TEST(PstStore, ManyMailsAndFoldersNeedDeepTreesAndLargeTables) {
  qm::test::TempDir dir;
  const std::string path = dir.file("many.pst");
  std::vector<qm::mail::Message> mails;
  constexpr int kFolders = 8, kPerFolder = 100;
  for (int i = 0; i < kFolders * kPerFolder; ++i) {
    MailFields s;
    s.subject = u"Mail number " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u" " +
                std::u16string(qm::pst::widenHeaderText(std::to_string(i)));
    s.sent = 1500000000 + i * 37;
    s.text = u"Body of mail " + qm::pst::widenHeaderText(std::to_string(i));
    mails.push_back(qm::test::makeMail(s));
    if (i % 50 == 0) mails.back().attachments.push_back(qm::test::makeAttachment(u"a.bin", 20000, 7));
  }
  ExpectedStore expected{{"Deleted Items", {}}};
  {
    auto store = qm::mail::createPstStore(path, kStoreName);
    for (int f = 0; f < kFolders; ++f) {
      const std::u16string name = u"Folder " + qm::pst::widenHeaderText(std::to_string(f));
      const auto id = store->addFolder(store->rootFolder(), name, "IPF.Note");
      auto& list = expected[qm::pst::toUtf8(name)];
      for (int k = 0; k < kPerFolder; ++k) {
        store->addMessage(id, mails[f * kPerFolder + k], true);
        list.push_back(&mails[f * kPerFolder + k]);
      }
      if (f % 3 == 2) store->flush();
    }
  }
  expectSound(path);
  // The node B-tree of 800 mails has more than two levels.
  qm::pst::PstReader reader(path);
  reader.loadTrees();
  EXPECT_GE(reader.nodes().size(), 800u);
  const auto root = reader.readAt(reader.header().state.nbt.ib, 512);
  EXPECT_GE(root[491], 2) << "node B-tree depth";
  expectReadersAgree(path, expected, dir);
}

TEST(PstStore, FlushedMailsSurviveAnAbandonedWriter) {
  qm::test::TempDir dir;
  const std::string path = dir.file("stopped.pst");
  std::vector<qm::mail::Message> mails;
  for (int i = 0; i < 8; ++i) {
    MailFields s;
    s.subject = u"Mail " + qm::pst::widenHeaderText(std::to_string(i));
    mails.push_back(qm::test::makeMail(s));
    mails.back().attachments.push_back(qm::test::makeAttachment(u"part.bin", 30000, static_cast<std::uint8_t>(i)));
  }
  {
    qm::pst::PstWriter writer(path, kStoreName);
    const auto inbox = writer.addFolder(writer.ipmSubtree(), u"Inbox", "IPF.Note");
    for (int i = 0; i < 5; ++i) writer.addMessage(inbox, mails[i], true);
    writer.flush();
    // These are written but never flushed: the run was stopped here.
    for (int i = 5; i < 8; ++i) writer.addMessage(inbox, mails[i], true);
    writer.addFolder(writer.ipmSubtree(), u"Later", "IPF.Note");
  }
  const auto report = qm::pst::checkPstFile(path);
  for (const auto& p : report.problems) ADD_FAILURE() << p;
  EXPECT_EQ(report.messages, 5u);
  expectReadersAgree(path, {{"Deleted Items", {}}, {"Inbox", {&mails[0], &mails[1], &mails[2], &mails[3], &mails[4]}}},
                     dir);
}

TEST(PstStore, AttachmentTooLargeForTheFormatIsLeftOutAndReported) {
  qm::test::TempDir dir;
  const std::string path = dir.file("large.pst");
  MailFields s;
  s.subject = u"With a huge attachment";
  auto mail = qm::test::makeMail(s);
  mail.attachments.push_back(qm::test::makeAttachment(u"small.txt", 100, 1));
  mail.attachments.push_back(qm::test::makeAttachment(u"huge.iso", 300000, 2));
  std::vector<std::string> warnings;
  {
    qm::pst::PstWriterOptions options;
    options.warn = [&warnings](const std::string& w) { warnings.push_back(w); };
    options.maxMessageBytes = 200000;  // stands in for the 2 GiB of the 32-bit size fields
    qm::pst::PstWriter writer(path, kStoreName, options);
    writer.addMessage(writer.addFolder(writer.ipmSubtree(), u"Inbox", "IPF.Note"), mail, true);
    writer.flush();
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("huge.iso"), std::string::npos) << warnings[0];
  expectSound(path);
  mail.attachments.pop_back();
  expectReadersAgree(path, {{"Deleted Items", {}}, {"Inbox", {&mail}}}, dir);
}

// A disk that fills up at any point of a run: the write that does not fit fails with a
// full-disk error, later calls fail too, and the file keeps the mails of the last flush.
TEST(PstStore, DiskFillingUpAnywhereLeavesTheLastFlushedMails) {
  qm::test::TempDir dir;
  std::vector<qm::mail::Message> mails;
  for (int i = 0; i < 10; ++i) {
    MailFields s;
    s.subject = u"Mail " + qm::pst::widenHeaderText(std::to_string(i));
    mails.push_back(qm::test::makeMail(s));
    mails.back().attachments.push_back(qm::test::makeAttachment(u"part.bin", 9000 * (i % 3), static_cast<std::uint8_t>(i)));
  }
  auto run = [&](const std::string& path, std::uint64_t space, int& flushed) {
    qm::pst::PstWriterOptions options;
    options.diskSpace = space;
    flushed = -1;
    qm::pst::PstWriter writer(path, kStoreName, options);
    flushed = 0;
    const auto inbox = writer.addFolder(writer.ipmSubtree(), u"Inbox", "IPF.Note");
    for (int i = 0; i < 10; ++i) {
      writer.addMessage(inbox, mails[i], true);
      if (i % 4 == 3) writer.flush(), flushed = i + 1;
    }
    writer.flush();
    flushed = 10;
    return writer.bytesWritten();
  };
  int flushed = 0;
  const std::uint64_t total = run(dir.file("whole.pst"), ~std::uint64_t{0}, flushed);
  int failures = 0;
  for (std::uint64_t space = total / 120; space < total; space += total / 120) {
    const std::string path = dir.file("full-" + std::to_string(space) + ".pst");
    try {
      run(path, space, flushed);
      ADD_FAILURE() << "no error with " << space << " bytes of " << total;
    } catch (const qm::mail::StoreError& e) {
      ++failures;
      EXPECT_NE(std::string(e.what()).find("disk is full"), std::string::npos) << e.what();
    }
    if (flushed < 0) continue;  // the store itself could not be created
    const auto report = qm::pst::checkPstFile(path);
    EXPECT_EQ(report.messages, static_cast<std::uint64_t>(flushed)) << space;
    for (const auto& p : report.problems) {
      // Stopped while the maps were rewritten: the header says they must be rebuilt.
      const bool mapsOnly = p.find("allocation maps are marked invalid") != std::string::npos ||
                            p.find("AMap at") != std::string::npos || p.find("free bytes") != std::string::npos;
      EXPECT_TRUE(mapsOnly) << space << ": " << p;
    }
  }
  EXPECT_GT(failures, 100);
}

#ifndef _WIN32
TEST(PstStore, FullDiskIsAnErrorNeverASuccess) {
  // /dev/full accepts the file but fails every write with "no space left on device".
  try {
    auto store = qm::mail::createPstStore("/dev/full", kStoreName);
    FAIL() << "a store on a full disk was reported as created";
  } catch (const qm::mail::StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("disk is full"), std::string::npos) << e.what();
  }
}
#endif

}  // namespace

// The entry identifier a property of node `holder` holds: the NID in its last four bytes.
std::uint32_t entryIdNid(qm::pst::PstReader& reader, qm::pst::Nid holder, std::uint32_t tag) {
  const auto props = reader.propertyContext(reader.nodes().at(holder));
  const auto* v = qm::pst::findProp(props, tag);
  if (!v || v->data.size() != 24) return 0;
  return qm::loadLe32(&v->data[20]);
}

TEST(PstStore, OutboxSentItemsAndDraftsAreTheFilesOwnWhenAskedFor) {
  qm::test::TempDir dir;
  const std::string path = dir.file("standard.pst");
  qm::mail::FolderId outbox = 0, sent = 0, drafts = 0;
  auto unread = qm::test::makeMail({});
  unread.unread = true;
  unread.flagged = true;
  {
    auto store = qm::mail::createPstStore(path, kStoreName);
    store->ensureStandardFolders();
    outbox = *store->defaultFolder(qm::mail::DefaultFolder::Outbox);
    sent = *store->defaultFolder(qm::mail::DefaultFolder::SentItems);
    drafts = *store->defaultFolder(qm::mail::DefaultFolder::Drafts);
    EXPECT_EQ(store->defaultFolder(qm::mail::DefaultFolder::SentItems), sent) << "made once";
    EXPECT_EQ(store->folderName(sent), u"Sent Items");
    EXPECT_EQ(store->folderName(drafts), u"Drafts");
    store->addMessage(*store->defaultFolder(qm::mail::DefaultFolder::Inbox), unread, true);
  }
  expectSound(path);
  qm::pst::PstReader reader(path);
  reader.loadTrees();
  // MS-OXOSFLD 2.2.1: the store holds the Outbox's and Sent Items' identifiers, the root
  // folder and the Inbox the Drafts folder's.
  EXPECT_EQ(entryIdNid(reader, 0x21, qm::pst::makeTag(0x35E2, qm::pst::kPtBinary)), outbox);
  EXPECT_EQ(entryIdNid(reader, 0x21, qm::pst::makeTag(0x35E4, qm::pst::kPtBinary)), sent);
  EXPECT_EQ(entryIdNid(reader, 0x122, qm::pst::makeTag(0x36D7, qm::pst::kPtBinary)), drafts);
  // The unread, flagged mail: no read flag, flagged for follow-up (MS-OXOFLAG 2.2.1.1), and
  // counted unread by its folder.
  int messages = 0;
  for (const auto& [nid, node] : reader.nodes()) {
    if (qm::pst::nidType(node.nid) != qm::pst::kNidNormalMessage) continue;
    ++messages;
    const auto props = reader.propertyContext(node);
    const auto* flags = qm::pst::findProp(props, qm::pst::makeTag(0x0E07, qm::pst::kPtInt32));
    const auto* status = qm::pst::findProp(props, qm::pst::makeTag(0x1090, qm::pst::kPtInt32));
    ASSERT_TRUE(flags && status);
    EXPECT_EQ(qm::loadLe32(flags->data.data()) & 1u, 0u);
    EXPECT_EQ(qm::loadLe32(status->data.data()), 2u);
    const auto folder = reader.propertyContext(reader.nodes().at(node.parent));
    EXPECT_EQ(qm::loadLe32(qm::pst::findProp(folder, qm::pst::makeTag(0x3603, qm::pst::kPtInt32))->data.data()), 1u);
  }
  EXPECT_EQ(messages, 1);
  expectReadersAgree(path, {{"Deleted Items", {}}, {"Inbox", {&unread}}, {"Outbox", {}}, {"Sent Items", {}}, {"Drafts", {}}},
                     dir);
}
