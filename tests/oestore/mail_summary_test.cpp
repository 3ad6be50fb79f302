// The record fields taken from a mail's header.
#include "oestore/mail_summary.h"

#include <gtest/gtest.h>

#include "oestore/store_format.h"

namespace oe {
namespace {

// 2010-03-02 09:00:00 UTC as a FILETIME.
constexpr std::uint64_t kTuesdayNine = 129119940000000000ULL;
constexpr std::uint64_t kRunTime = 130000000000000000ULL;

TEST(MailSummary, TakesDatesSubjectSenderAndRecipientsFromTheHeader) {
  const std::string mail =
      "Received: from b by c; Wed, 3 Mar 2010 12:00:00 +0000\r\n"
      "Received: from a by b; Wed, 3 Mar 2010 11:00:00 +0000\r\n"
      "From: \"Ann Example\" <ann@example.com>\r\n"
      "To: Bob <bob@example.com>, carl@example.com\r\n"
      "Cc: dora@example.com\r\n"
      "Subject: RE:  the =?iso-8859-1?q?caf=E9?=\r\n"
      "Date: Tue, 2 Mar 2010 10:00:00 +0100\r\n"
      "Message-ID: <1@example.com>\r\n"
      "References: <0@example.com>\r\n"
      "Importance: high\r\n"
      "\r\n"
      "one\r\ntwo\r\nthree";
  const MessageInfo m = summarizeMail(mail, kRunTime, 0);
  EXPECT_EQ(m.sentTime, kTuesdayNine);
  EXPECT_EQ(m.receivedTime, kTuesdayNine + 27 * 3600 * kTicksPerSecond);  // the topmost line
  EXPECT_EQ(m.storedTime, kRunTime);
  EXPECT_EQ(m.subject, "RE:  the caf\xE9");
  EXPECT_EQ(m.normalizedSubject, "the caf\xE9");
  EXPECT_EQ(m.senderName, "Ann Example");
  EXPECT_EQ(m.senderAddress, "ann@example.com");
  EXPECT_EQ(m.recipientNames, "Bob; carl@example.com");
  EXPECT_EQ(m.recipientAddresses, "<bob@example.com>; <carl@example.com>");
  EXPECT_EQ(m.messageId, "<1@example.com>");
  EXPECT_TRUE(m.hasReferences);
  EXPECT_EQ(m.priority, 1u);
  EXPECT_EQ(m.bodyLines, 3u);
  EXPECT_EQ(m.textLength, mail.size());
  EXPECT_EQ(m.flags, kFlagHasBody);
}

TEST(MailSummary, FallsBackToTheRunsTimeAndMarksMixedMailAsHavingAttachments) {
  const std::string mail =
      "From: ann@example.com\r\nSubject: Re: Sv: Re: x\r\nContent-Type: Multipart/Mixed; boundary=b\r\n\r\n";
  const MessageInfo m = summarizeMail(mail, kRunTime, kFlagRead);
  EXPECT_EQ(m.receivedTime, kRunTime);
  EXPECT_EQ(m.sentTime, kRunTime);
  EXPECT_EQ(m.normalizedSubject, "Sv: Re: x");
  EXPECT_EQ(m.senderName, "ann@example.com");
  EXPECT_EQ(m.recipientNames, "");
  EXPECT_FALSE(m.hasMessageId);
  EXPECT_EQ(m.priority, kNormalPriority);
  EXPECT_EQ(m.bodyLines, 0u);
  EXPECT_EQ(m.flags, kFlagRead | kFlagHasBody | kFlagAttachment);
}

TEST(MailSummary, CountsBodyLinesWhereverTheLineFeedsFall) {
  EXPECT_EQ(bodyLineCount(""), 0u);
  EXPECT_EQ(bodyLineCount("x"), 1u);
  EXPECT_EQ(bodyLineCount("a\r\nb\r\n"), 2u);
  EXPECT_EQ(bodyLineCount(std::string(17, '\n')), 17u);
  EXPECT_EQ(bodyLineCount("\n\n\n\n\n\n\n\nabc"), 9u);
  // Bytes that differ from a line feed only in their high bit or low bits are no line feeds.
  EXPECT_EQ(bodyLineCount("\x8a\x0b\x09\x8a\x0a\x8a\x8a\x8a\x8a\x8a\x8a\x0a"), 2u);
  EXPECT_EQ(bodyLineCount(std::string(4096, 'x') + "\r\n" + std::string(4093, 'y') + "\n"), 2u);
}

TEST(MailSummary, KeepsSubjectsWithoutALeadingReplyPrefix) {
  EXPECT_EQ(normalizedSubject("[list] Re: x"), "[list] Re: x");
  EXPECT_EQ(normalizedSubject("Re: Re: x"), "Re: x");
  EXPECT_EQ(normalizedSubject("Reply"), "Reply");
  EXPECT_EQ(toAnsi(u"\u20ac \u4e2d"), "\x80 ?");
}

}  // namespace
}  // namespace oe
