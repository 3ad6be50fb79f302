#include "mailstore/attachment_name.h"

#include <gtest/gtest.h>

#include "platform/charset.h"

namespace {

using qm::mail::Attachment;

std::string nameOf(const std::string& fileName, const std::string& mimeType = "application/octet-stream",
                   std::size_t position = 1) {
  Attachment a;
  a.fileName = qm::platform::utf8ToUtf16(fileName);
  a.mimeType = mimeType;
  return qm::platform::utf16ToUtf8(qm::mail::safeAttachmentFileName(a, position));
}

TEST(AttachmentName, NamesFromMailCannotLeaveTheirFolder) {
  EXPECT_EQ(nameOf("../../windows/win.ini"), "win.ini");
  EXPECT_EQ(nameOf("C:\\Documents and Settings\\me\\report.doc"), "report.doc");
  EXPECT_EQ(nameOf(".."), "ATT00001.dat");
  EXPECT_EQ(nameOf("dir/"), "ATT00001.dat");
}

TEST(AttachmentName, CharactersFileSystemsRejectAreReplaced) {
  EXPECT_EQ(nameOf("a<b>c:d\"e|f?g*h.txt"), "a_b_c_d_e_f_g_h.txt");
  EXPECT_EQ(nameOf("tab\there\x01.txt"), "tab_here_.txt");
  EXPECT_EQ(nameOf("  name.txt. . "), "name.txt");
  EXPECT_EQ(nameOf("Zürich 日本.pdf"), "Zürich 日本.pdf");
}

TEST(AttachmentName, DeviceNamesAreDefused) {
  EXPECT_EQ(nameOf("CON"), "_CON");
  EXPECT_EQ(nameOf("nul.txt"), "_nul.txt");
  EXPECT_EQ(nameOf("Com1.log"), "_Com1.log");
  EXPECT_EQ(nameOf("CONSOLE.txt"), "CONSOLE.txt");
}

TEST(AttachmentName, UnnamedPartsGetANameWithTheirTypesExtension) {
  EXPECT_EQ(nameOf("", "image/png", 3), "ATT00003.png");
  EXPECT_EQ(nameOf("", "text/plain", 12), "ATT00012.txt");
  EXPECT_EQ(nameOf("", "application/x-whatever", 1), "ATT00001.dat");
}

TEST(AttachmentName, LongNamesAreCutKeepingTheExtension) {
  const std::string name = nameOf(std::string(300, 'a') + ".docx");
  EXPECT_EQ(name.size(), 200u);
  EXPECT_TRUE(name.ends_with("aaa.docx"));
  // A cut through a surrogate pair drops its first half.
  std::string emoji;
  for (int i = 0; i < 150; ++i) emoji += "😀";
  const std::u16string cut = qm::mail::safeFileNameComponent(qm::platform::utf8ToUtf16(emoji));
  EXPECT_EQ(cut.size(), 200u);
  EXPECT_EQ(qm::platform::utf16ToUtf8(cut).find("\uFFFD"), std::string::npos);
}

TEST(AttachmentName, EmbeddedMessagesAreNamedAfterTheirSubject) {
  Attachment a;
  a.mimeType = "message/rfc822";
  a.embedded = std::make_shared<qm::mail::Message>();
  a.embedded->subject = u"Re: plans 1/2";
  EXPECT_EQ(qm::mail::safeAttachmentFileName(a, 1), u"Re_ plans 1_2.eml");
  a.embedded->subject.clear();
  EXPECT_EQ(qm::mail::safeAttachmentFileName(a, 1), u"Attached message.eml");
  a.fileName = u"forwarded";
  EXPECT_EQ(qm::mail::safeAttachmentFileName(a, 1), u"forwarded.eml");
  a.fileName = u"forwarded.msg.eml";
  EXPECT_EQ(qm::mail::safeAttachmentFileName(a, 1), u"forwarded.msg.eml");
}

TEST(AttachmentName, LaterAttachmentsOfANameTakenAreNumberedBeforeTheExtension) {
  std::vector<std::u16string> used;
  const auto next = [&used](const char16_t* name) { return qm::mail::distinctFileName(name, used); };
  EXPECT_EQ(next(u"a.txt"), u"a.txt");
  EXPECT_EQ(next(u"A.TXT"), u"A (2).TXT") << "one file where letter case does not count";
  EXPECT_EQ(next(u"a.txt"), u"a (3).txt");
  EXPECT_EQ(next(u"a (2).txt"), u"a (2) (2).txt");
  EXPECT_EQ(next(u"README"), u"README");
  EXPECT_EQ(next(u"README"), u"README (2)");
  EXPECT_EQ(next(u".profile"), u".profile");
  EXPECT_EQ(next(u".profile"), u".profile (2)");

  qm::mail::Message m;
  for (const char16_t* name : {u"x.pdf", u"", u"x.pdf", u"dir/x.pdf"}) {
    m.attachments.emplace_back();
    m.attachments.back().fileName = name;
    m.attachments.back().mimeType = "application/pdf";
  }
  EXPECT_EQ(qm::mail::attachmentFileNames(m),
            (std::vector<std::u16string>{u"x.pdf", u"ATT00002.pdf", u"x (2).pdf", u"x (3).pdf"}));
}

}  // namespace
