// Which parts of a message make its bodies, its attachments and its embedded messages.
#include <gtest/gtest.h>

#include "mailstore/mime/mime_reader.h"
#include "tests/mailstore/message_dump.h"

namespace {

using qm::mail::Message;
using qm::test::utf8;

Message read(const std::string& text) { return qm::mail::readMimeMessage(std::string_view(text)); }

std::string names(const Message& m) {
  std::string out;
  for (const auto& a : m.attachments) out += "[" + utf8(a.fileName) + " " + a.mimeType + (a.isInline ? " inline" : "") + "]";
  return out;
}

std::string bytes(const qm::mail::Attachment& a) { return std::string(a.data.begin(), a.data.end()); }

TEST(MimeStructure, LaterInlineTextPartsOfAMixedMessageAreAttachments) {
  const Message m = read(
      "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
      "--b\r\n\r\nfirst\r\n"
      "--b\r\nContent-Type: text/html\r\n\r\n<p>second</p>\r\n"
      "--b\r\nContent-Type: text/plain; name=\"patch.diff\"\r\n\r\n+ line\r\n"
      "--b--\r\n");
  EXPECT_EQ(utf8(*m.textBody), "first");
  EXPECT_FALSE(m.htmlBody.has_value());
  EXPECT_EQ(names(m), "[ text/html][patch.diff text/plain]");
}

TEST(MimeStructure, AttachedTextAtTheTopIsNoBody) {
  const Message named = read("Content-Type: text/plain; name=\"notes.txt\"\r\n\r\nnotes\r\n");
  EXPECT_EQ(utf8(*named.textBody), "notes\r\n") << "a whole message is its own body even when named";
  const Message attached =
      read("Content-Type: text/plain\r\nContent-Disposition: attachment; filename=n.txt\r\n\r\nnotes\r\n");
  EXPECT_FALSE(attached.textBody.has_value());
  EXPECT_EQ(names(attached), "[n.txt text/plain]");
}

TEST(MimeStructure, RelatedRootNamedByStartAndOtherAlternativesKept) {
  const Message m = read(
      "Content-Type: multipart/related; boundary=r; start=\"<root@x>\"\r\n\r\n"
      "--r\r\nContent-Type: image/gif\r\nContent-ID: <img@x>\r\n\r\nGIF\r\n"
      "--r\r\nContent-ID: <root@x>\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n"
      "--a\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
      "--a\r\nContent-Type: text/calendar; method=REQUEST\r\n\r\nBEGIN:VCALENDAR\r\n"
      "--a\r\nContent-Type: text/html\r\n\r\n<img src=cid:img@x>\r\n"
      "--a--\r\n"
      "--r--\r\n");
  EXPECT_EQ(utf8(*m.textBody), "plain");
  EXPECT_EQ(utf8(*m.htmlBody), "<img src=cid:img@x>");
  EXPECT_EQ(names(m), "[ text/calendar][ image/gif inline]");
  EXPECT_EQ(m.attachments[1].contentId, "img@x");
}

TEST(MimeStructure, DelimitersMustStandAloneOnTheirLine) {
  const Message m = read(
      "Content-Type: multipart/mixed; boundary=\"ab\"\r\n\r\n"
      "preamble --ab\r\n--ab\r\n\r\nbody --ab\r\n--abc\r\n--ab junk\r\n--ab  \r\n"
      "Content-Type: application/x-one\r\n\r\n1\r\n--ab--\r\nepilogue\r\n--ab\r\nnot a part\r\n");
  EXPECT_EQ(utf8(*m.textBody), "body --ab\r\n--abc\r\n--ab junk");
  ASSERT_EQ(m.attachments.size(), 1u) << "nothing after the close delimiter";
  EXPECT_EQ(bytes(m.attachments[0]), "1");
}

TEST(MimeStructure, OnlyAWholeMessageMayStartWithAnMboxLine) {
  const Message m = read(
      "From someone@example.com Sat Feb  8 10:00:00 2003\r\nSubject: s\r\n"
      "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nFrom the desk of the editor\r\n--b--\r\n");
  EXPECT_EQ(utf8(m.subject), "s");
  EXPECT_EQ(utf8(*m.textBody), "From the desk of the editor") << "a body part keeps its first line";
}

TEST(MimeStructure, AMultipartWithNoBoundaryAtAllIsReadAsText) {
  const Message m = read("Content-Type: multipart/mixed\r\n\r\njust text\r\n");
  EXPECT_EQ(utf8(*m.textBody), "just text\r\n");
  EXPECT_TRUE(m.attachments.empty());
}

TEST(MimeStructure, EmbeddedMessagesKeepTheirBytesAtTheTopLevelOnly) {
  const std::string inner =
      "Subject: inner\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n--i\r\n\r\ninner text\r\n"
      "--i\r\nContent-Type: message/rfc822\r\n\r\nSubject: innermost\r\n\r\ndeep\r\n--i--\r\n";
  const Message m = read(
      "Subject: outer\r\nContent-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nouter text\r\n"
      "--o\r\nContent-Type: message/rfc822\r\n\r\n" + inner + "\r\n--o--\r\n");
  ASSERT_EQ(m.attachments.size(), 1u);
  const auto& outerAttachment = m.attachments[0];
  ASSERT_TRUE(outerAttachment.embedded);
  EXPECT_EQ(std::string(outerAttachment.embeddedSource.begin(), outerAttachment.embeddedSource.end()), inner);
  EXPECT_EQ(utf8(outerAttachment.embedded->subject), "inner");
  EXPECT_EQ(utf8(*outerAttachment.embedded->textBody), "inner text");
  ASSERT_EQ(outerAttachment.embedded->attachments.size(), 1u);
  const auto& deep = outerAttachment.embedded->attachments[0];
  ASSERT_TRUE(deep.embedded);
  EXPECT_EQ(utf8(deep.embedded->subject), "innermost");
  EXPECT_TRUE(deep.embeddedSource.empty());
}

TEST(MimeStructure, ABase64EncodedEmbeddedMessageIsDecodedFirst) {
  // "Subject: hi\r\n\r\nyo\r\n"
  const Message m = read(
      "Content-Type: message/rfc822\r\nContent-Transfer-Encoding: base64\r\n\r\n"
      "U3ViamVjdDogaGkNCg0KeW8NCg==\r\n");
  ASSERT_EQ(m.attachments.size(), 1u);
  ASSERT_TRUE(m.attachments[0].embedded);
  EXPECT_EQ(utf8(m.attachments[0].embedded->subject), "hi");
  EXPECT_EQ(utf8(*m.attachments[0].embedded->textBody), "yo\r\n");
}

TEST(MimeStructure, BodiesGetCrLfLineEndsAndTheirCharset) {
  const Message m = read(
      "Content-Type: multipart/alternative; boundary=a\n\n--a\nContent-Type: text/plain; charset=koi8-r\n\n"
      "\xF0\xD2\xC9\xD7\xC5\xD4\n\nline\n--a\nContent-Type: text/html; charset=\"ISO-8859-2\"\n\n\xB1\n--a--\n");
  EXPECT_EQ(utf8(*m.textBody), "Привет\r\n\r\nline");
  EXPECT_EQ(utf8(*m.htmlBody), "ą");
  EXPECT_EQ(m.charsets, (std::vector<std::string>{"koi8-r", "iso-8859-2"}));
}

TEST(MimeStructure, UuencodedPartsAndOtherLeaves) {
  const Message m = read(
      "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n"
      "--b\r\nContent-Type: application/octet-stream; name=cat\r\nContent-Transfer-Encoding: x-uuencode\r\n\r\n"
      "begin 644 cat\r\n#0V%T\r\n`\r\nend\r\n"
      "--b\r\nContent-Type: message/partial; id=1; number=1\r\n\r\npartial\r\n--b--\r\n");
  ASSERT_EQ(m.attachments.size(), 2u);
  EXPECT_EQ(bytes(m.attachments[0]), "Cat");
  EXPECT_EQ(m.attachments[1].mimeType, "message/partial");
}

}  // namespace
