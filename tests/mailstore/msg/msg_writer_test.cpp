// The message file writer from hand-built mails: the layout our checker reads back, the
// fields every independent reader sees, Outlook's own files against our checker, and a
// file that is complete or not there at all.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "mailstore/cfb/cfb_reader.h"
#include "mailstore/mapi/tags.h"
#include "mailstore/msg/msg_format.h"
#include "mailstore/msg/msg_reader.h"
#include "mailstore/msg/msg_writer.h"
#include "platform/files.h"
#include "platform/safe_files.h"
#include "tests/convert/msg_read_back.h"
#include "tests/mailstore/pst/pst_test_mails.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::msg {
namespace {

using qm::test::makeAttachment;
using qm::test::makeEmbedded;
using qm::test::makeMail;
using qm::test::MailFields;
namespace tags = mapi::tags;

mail::Message deepMail() {
  MailFields f;
  f.subject = u"AW: Ünïcödé 日本語 Тема";
  f.prefix = u"AW: ";
  f.from = {u"Zoë Ørsted", "zoe@example.dk"};
  f.recipients = {{mail::RecipientKind::To, {u"Bob Brown", "bob@example.com"}},
                  {mail::RecipientKind::Cc, {u"Çelik", "celik@example.tr"}},
                  {mail::RecipientKind::Bcc, {u"", "hidden@example.org"}}};
  f.text = u"Grüße – 你好\r\n";
  f.html = u"<p>Grüße – 你好</p>";
  mail::Message m = makeMail(f);
  m.attachments.push_back(makeAttachment(u"Bericht März.pdf", 20000, 1, "application/pdf"));
  mail::Attachment inlinePicture = makeAttachment(u"bild.png", 700, 2, "image/png");
  inlinePicture.contentId = "pic1@example";
  inlinePicture.isInline = true;
  m.attachments.push_back(inlinePicture);
  MailFields innerFields;
  innerFields.subject = u"Inner één";
  mail::Message inner = makeMail(innerFields);
  MailFields deepestFields;
  deepestFields.subject = u"Deepest ∞";
  mail::Message deepest = makeMail(deepestFields);
  deepest.attachments.push_back(makeAttachment(u"tief.bin", 5000, 3));
  inner.attachments.push_back(makeEmbedded(std::move(deepest)));
  m.attachments.push_back(makeEmbedded(std::move(inner)));
  return m;
}

std::u16string text(const std::vector<std::uint8_t>& v) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < v.size(); i += 2) s.push_back(static_cast<char16_t>(v[i] | v[i + 1] << 8));
  return s;
}

TEST(MessageFile, AMailIsLaidOutLevelByLevelAndEveryReaderSeesItsFields) {
  qm::test::TempDir dir;
  const mail::Message m = deepMail();
  const std::string path = dir.file("deep.msg");
  writeMessageFile(m, true, path);
  EXPECT_FALSE(platform::fileExists(path + ".partial"));

  const std::string bytes = qm::test::readFile(path);
  std::vector<std::string> problems;
  ReadObject read;
  EXPECT_TRUE(checkMessageFile(asBytes(bytes), problems, &read, true)) << ::testing::PrintToString(problems);
  EXPECT_EQ(text(read.props[tags::Subject]), m.subject);
  EXPECT_EQ(text(read.props[tags::SubjectPrefix]), u"AW: ");
  EXPECT_EQ(text(read.props[tags::NormalizedSubject]), u"Ünïcödé 日本語 Тема");
  EXPECT_EQ(text(read.props[tags::MessageClass]), u"IPM.Note");
  EXPECT_EQ(loadLe32(read.props[tags::StoreSupportMask].data()) & STORE_UNICODE_OK, STORE_UNICODE_OK);
  EXPECT_EQ(loadLe32(read.props[tags::MessageFlags].data()), 0x11u) << "read, with attachments, not unsent";
  EXPECT_EQ(read.recipients.size(), 3u);
  ASSERT_EQ(read.attachments.size(), 3u);
  EXPECT_EQ(text(read.attachments[1].props[tags::AttachContentId]), u"pic1@example");
  ASSERT_EQ(read.attachments[2].embedded.size(), 1u);
  ReadObject& inner = read.attachments[2].embedded[0];
  ASSERT_EQ(inner.attachments.size(), 1u);
  ASSERT_EQ(inner.attachments[0].embedded.size(), 1u);
  EXPECT_EQ(text(inner.attachments[0].embedded[0].props[tags::Subject]), u"Deepest ∞");

  const std::string differences = convert::test::readBackMessageFiles({{path, &m}}, dir.file("read"));
  EXPECT_TRUE(differences.empty()) << differences;
}

TEST(MessageFile, AFileThatCannotBeWrittenLeavesNothingBehind) {
  qm::test::TempDir dir;
  const mail::Message m = deepMail();
  EXPECT_ANY_THROW(writeMessageFile(m, true, dir.file("missing/x.msg")));
  // A folder where the file should go: the bytes are written, the rename fails.
  ASSERT_TRUE(platform::createDirectory(dir.file("taken.msg")));
  ASSERT_TRUE(platform::createDirectory(dir.file("taken.msg/inside")));
  EXPECT_ANY_THROW(writeMessageFile(m, true, dir.file("taken.msg")));
  EXPECT_FALSE(platform::fileExists(dir.file("taken.msg.partial")));
}

#ifndef _WIN32
// A link planted where a partial file could go is neither followed nor replaced.
TEST(MessageFile, APlantedLinkBesideItIsLeftAlone) {
  qm::test::TempDir dir;
  qm::test::writeFile(dir.file("victim.txt"), std::string("keep"));
  ASSERT_EQ(::symlink(dir.file("victim.txt").c_str(), dir.file("x.msg.partial").c_str()), 0);
  writeMessageFile(deepMail(), true, dir.file("x.msg"));
  EXPECT_EQ(qm::test::readFile(dir.file("victim.txt")), "keep");
  EXPECT_TRUE(platform::isLink(dir.file("x.msg.partial")));
  std::vector<std::string> problems;
  EXPECT_TRUE(checkMessageFile(asBytes(qm::test::readFile(dir.file("x.msg"))), problems, nullptr, true));
}
#endif

TEST(MessageFile, AStorageListedBelowItselfIsReportedNotFollowedForever) {
  qm::test::TempDir dir;
  writeMessageFile(deepMail(), true, dir.file("loop.msg"));
  std::string bytes = qm::test::readFile(dir.file("loop.msg"));
  std::vector<std::string> problems;
  const auto cf = cfb::CompoundFile::read(asBytes(bytes), problems);
  ASSERT_TRUE(cf);
  const std::uint32_t attachment = *cf->find(0, u"__attach_version1.0_#00000002");
  const std::size_t dirAt = cfb::kSectorSize * (1 + loadLe32(reinterpret_cast<const std::uint8_t*>(&bytes[cfb::header::kFirstDirectorySectorAt])));
  auto* child = reinterpret_cast<std::uint8_t*>(&bytes[dirAt + attachment * cfb::dirent::kSize + cfb::dirent::kChildAt]);
  storeLe32(child, attachment);
  EXPECT_FALSE(checkMessageFile(asBytes(bytes), problems));
  bool reported = false;
  for (const auto& p : problems) reported = reported || p.find("reached twice") != std::string::npos;
  EXPECT_TRUE(reported) << ::testing::PrintToString(problems);
}

TEST(MessageFile, EveryFileOutlookWroteIsSoundToOurChecker) {
  const std::string folder = qm::test::sharedFile("samples/msg");
  int files = 0;
  for (const auto& e : platform::listDirectory(folder)) {
    const std::string bytes = qm::test::readFile(folder + "/" + e.name);
    std::vector<std::string> problems;
    ReadObject read;
    EXPECT_TRUE(checkMessageFile(asBytes(bytes), problems, &read)) << e.name << ": " << ::testing::PrintToString(problems);
    EXPECT_FALSE(read.props.empty()) << e.name;
    ++files;
  }
  EXPECT_EQ(files, 14);
}

}  // namespace
}  // namespace qm::msg
