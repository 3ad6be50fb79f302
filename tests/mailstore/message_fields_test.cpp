#include "mailstore/mime/message_fields.h"

#include <gtest/gtest.h>

#include "mailstore/mime/mime_reader.h"
#include "platform/charset.h"
#include "tests/mailstore/message_dump.h"

namespace {

using namespace qm::mail;

std::string prefixOf(const char* subject) {
  return qm::test::utf8(mime::subjectPrefixOf(qm::platform::utf8ToUtf16(subject)));
}

TEST(SubjectPrefix, OneToThreeLettersBeforeAColonAndABlank) {
  struct Case {
    const char* subject;
    const char* prefix;
  };
  const Case cases[] = {
      {"RE: Lunch", "RE: "},      {"Fwd: Lunch", "Fwd: "},  {"FW: Re: Lunch", "FW: "},
      {"AW: Lunch", "AW: "},      {"SV: Lunch", "SV: "},    {"Réf: Lunch", "Réf: "},
      {"Antw: Lunch", ""},        {"Re:Lunch", ""},         {"Re : Lunch", ""},
      {"12: Lunch", ""},          {"[x]: Lunch", ""},       {": Lunch", ""},
      {"Re: ", "Re: "},           {"Re:", ""},              {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(prefixOf(c.subject), c.prefix) << c.subject;
}

Message read(const std::string& header) { return readMimeMessage(std::string_view(header + "\r\nbody\r\n")); }

TEST(Importance, FromWhicheverHeaderTheSenderWrote) {
  EXPECT_EQ(read("Importance: low\r\n").importance, Importance::Low);
  EXPECT_EQ(read("X-MSMail-Priority: High\r\n").importance, Importance::High);
  EXPECT_EQ(read("X-Priority: 2 (High)\r\n").importance, Importance::High);
  EXPECT_EQ(read("X-Priority: 5\r\n").importance, Importance::Low);
  EXPECT_EQ(read("X-Priority: 3 (Normal)\r\n").importance, Importance::Normal);
  EXPECT_EQ(read("Priority: non-urgent\r\n").importance, Importance::Low);
  EXPECT_EQ(read("Importance: normal\r\nX-Priority: 1\r\n").importance, Importance::Normal)
      << "Importance decides when it is there";
  EXPECT_EQ(read("X-Priority: banana\r\n").importance, Importance::Normal);
}

TEST(Priority, FromThePriorityHeaderOnly) {
  EXPECT_EQ(read("Priority: Urgent\r\n").priority, 1);
  EXPECT_EQ(read("Priority: non-urgent\r\n").priority, -1);
  EXPECT_EQ(read("Priority: normal\r\nX-Priority: 1\r\n").priority, 0);
}

TEST(MessageFields, IdentifiersDatesAndHeadersAsMapiKeepsThem) {
  const Message m = read(
      "Received: from a by b; Tue, 14 Jan 2003 10:00:00 +0000\r\n"
      "Received: from c by a; Tue, 14 Jan 2003 09:59:00 +0000\r\n"
      "Message-ID: (comment) <id@example.com> trailing\r\n"
      "In-Reply-To: <parent@example.com>\r\n"
      "References: <a@example.com>\r\n <parent@example.com>\r\n"
      "Cc: c@example.com\r\nTo: t@example.com\r\nBcc: b@example.com\r\n"
      "Subject: Re: x\r\n");
  EXPECT_EQ(qm::test::isoTime(*m.receivedTime), "2003-01-14T10:00:00Z") << "the first Received field";
  EXPECT_FALSE(m.sentTime.has_value());
  EXPECT_EQ(m.messageId, "<id@example.com>");
  EXPECT_EQ(m.inReplyTo, "<parent@example.com>");
  EXPECT_EQ(m.references, "<a@example.com> <parent@example.com>");
  ASSERT_EQ(m.recipients.size(), 3u);
  EXPECT_EQ(m.recipients[0].kind, RecipientKind::Cc) << "recipients in header order";
  EXPECT_EQ(m.recipients[1].kind, RecipientKind::To);
  EXPECT_EQ(m.recipients[2].kind, RecipientKind::Bcc);
  EXPECT_EQ(qm::test::utf8(m.subjectPrefix), "Re: ");
  EXPECT_EQ(m.sender.address, "") << "no Sender and no From";
  EXPECT_TRUE(m.transportHeaders.starts_with("Received: from a by b; Tue, 14 Jan 2003 10:00:00 +0000\r\nReceived:"));
  EXPECT_TRUE(m.transportHeaders.ends_with("Subject: Re: x\r\n"));
}

TEST(MessageFields, TransportHeadersGetCrLfLineEnds) {
  const Message m = readMimeMessage(std::string_view("From: a@x\nSubject: s\n folded\n\nbody\n"));
  EXPECT_EQ(m.transportHeaders, "From: a@x\r\nSubject: s\r\n folded\r\n");
  EXPECT_EQ(qm::test::utf8(m.subject), "s folded");
  EXPECT_EQ(m.sender.address, "a@x") << "the sender is the From address when there is no Sender";
}

}  // namespace
