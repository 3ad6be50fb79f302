// Malformed and hostile input: sizes, counts and depths that must not break the reader, and
// memory that stays within a small multiple of the input.
#include <gtest/gtest.h>

#include <random>

#include "mailstore/mime/mime_reader.h"
#include "tests/mailstore/corpus_support.h"
#include "tests/support/files.h"

namespace {

using qm::mail::Message;
using qm::mail::MimeLimits;

Message read(const std::string& text) { return qm::mail::readMimeMessage(std::string_view(text)); }

// The bytes the model holds, counted generously: text as UTF-16, a fixed cost per object.
std::size_t modelBytes(const Message& m) {
  std::size_t n = 512 + m.subject.size() * 2 + m.transportHeaders.size();
  if (m.textBody) n += m.textBody->size() * 2;
  if (m.htmlBody) n += m.htmlBody->size() * 2;
  n += m.recipients.size() * 128;
  for (const auto& a : m.attachments) {
    n += 256 + a.data.size() + a.embeddedSource.size() + a.fileName.size() * 2;
    if (a.embedded) n += modelBytes(*a.embedded);
  }
  return n;
}

TEST(MimeLimits, TenThousandPartsAreAllRead) {
  std::string mail = "Content-Type: multipart/mixed; boundary=p\r\n\r\n--p\r\n\r\nbody\r\n";
  for (int i = 1; i < 10000; ++i) mail += "--p\r\nContent-Type: application/x-n\r\n\r\n" + std::to_string(i) + "\r\n";
  mail += "--p--\r\n";
  const Message m = read(mail);
  ASSERT_EQ(m.attachments.size(), 9999u);
  EXPECT_EQ(std::string(m.attachments.back().data.begin(), m.attachments.back().data.end()), "9999");
  EXPECT_LT(modelBytes(m), 8 * mail.size());
}

TEST(MimeLimits, PartsPastTheLimitStayInTheLastPart) {
  std::string mail = "Content-Type: multipart/mixed; boundary=p\r\n\r\n";
  const std::size_t parts = MimeLimits::kMaxParts + 500;
  for (std::size_t i = 0; i < parts; ++i) mail += "--p\r\nContent-Type: application/x-n\r\n\r\nX\r\n";
  mail += "--p--\r\n";
  const Message m = read(mail);
  ASSERT_EQ(m.attachments.size(), MimeLimits::kMaxParts);
  const auto& last = m.attachments.back().data;
  EXPECT_GT(last.size(), 500u * 30) << "the rest of the body, delimiters and all";
}

TEST(MimeLimits, DeepNestingIsCutOffAndItsContentKept) {
  std::string open, close;
  for (int i = 0; i < 5000; ++i) {
    open += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" + std::to_string(i) + "\r\n";
    close = "\r\n--b" + std::to_string(i) + "--" + close;
  }
  const std::string mail = open + "\r\ndeepest text" + close;
  const Message m = read(mail);
  ASSERT_EQ(m.attachments.size(), 1u) << "the part at the depth limit is kept whole";
  const std::string kept(m.attachments[0].data.begin(), m.attachments[0].data.end());
  EXPECT_NE(kept.find("deepest text"), std::string::npos);
  EXPECT_LT(modelBytes(m), 4 * mail.size());
}

TEST(MimeLimits, NestedEncodedMessagesStayWithinASmallMultipleOfTheInput) {
  // Each level a base64-encoded message/rfc822 holding the next (past the depth limit): the
  // decoded copies shrink level by level.
  std::string mail = "Subject: bottom\r\n\r\n" + std::string(1000, 'x') + "\r\n";
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int level = 0; level < MimeLimits::kMaxDepth + 6; ++level) {
    std::string encoded;
    for (std::size_t i = 0; i < mail.size(); i += 3) {
      unsigned v = static_cast<unsigned char>(mail[i]) << 16;
      if (i + 1 < mail.size()) v |= static_cast<unsigned char>(mail[i + 1]) << 8;
      if (i + 2 < mail.size()) v |= static_cast<unsigned char>(mail[i + 2]);
      encoded += alphabet[v >> 18];
      encoded += alphabet[(v >> 12) & 63];
      encoded += i + 1 < mail.size() ? alphabet[(v >> 6) & 63] : '=';
      encoded += i + 2 < mail.size() ? alphabet[v & 63] : '=';
    }
    mail = "Content-Type: message/rfc822\r\nContent-Transfer-Encoding: base64\r\n\r\n" + encoded + "\r\n";
  }
  const Message m = read(mail);
  EXPECT_LT(modelBytes(m), 6 * mail.size());
}

TEST(MimeLimits, AFiftyMegabyteAttachmentIsDecodedWhole) {
  const std::size_t lines = 50u * 1024 * 1024 / 57;  // 57 bytes per 76-character line
  std::string body;
  body.reserve(lines * 78);
  const std::string line = std::string(76, 'A') + "\r\n";  // zero bytes
  for (std::size_t i = 0; i < lines; ++i) body += line;
  const std::string mail =
      "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n"
      "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
      body + "--b--\r\n";
  const Message m = read(mail);
  ASSERT_EQ(m.attachments.size(), 1u);
  EXPECT_EQ(m.attachments[0].data.size(), lines * 57);
}

TEST(MimeLimits, EveryCutOfEveryCorpusMailIsRead) {
  for (const std::string& path : qm::test::corpusMails()) {
    const std::string mail = qm::test::readFile(path);
    for (std::size_t cut = 0; cut <= mail.size(); cut += 7) {
      const Message m = read(mail.substr(0, cut));
      EXPECT_LE(m.sourceSize, cut);
    }
  }
}

TEST(MimeLimits, RandomBytesAndRandomlyDamagedMailAreRead) {
  std::mt19937 random(20030114);
  const auto mails = qm::test::corpusMails();
  for (int round = 0; round < 2000; ++round) {
    std::string mail = qm::test::readFile(mails[random() % mails.size()]);
    for (int flips = 0; flips < 8 && !mail.empty(); ++flips) {
      mail[random() % mail.size()] = static_cast<char>(random() % 256);
    }
    read(mail);
    std::string noise(random() % 2048, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 256);
    read(noise);
  }
}

}  // namespace
