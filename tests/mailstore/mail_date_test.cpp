#include "mailstore/mime/mail_date.h"

#include <gtest/gtest.h>

#include "tests/mailstore/message_dump.h"

namespace {

std::string date(const char* text) {
  const auto t = qm::mail::mime::parseMailDate(text);
  return t ? qm::test::isoTime(*t) : "none";
}

struct Case {
  const char* text;
  const char* utc;
};

TEST(MailDate, Rfc5322Dates) {
  const Case cases[] = {
      {"Tue, 14 Jan 2003 09:10:00 +0100", "2003-01-14T08:10:00Z"},
      {"14 Jan 2003 09:10:00 -0000", "2003-01-14T09:10:00Z"},
      {"Sun, 31 Dec 2000 23:59:59 -1130", "2001-01-01T11:29:59Z"},
      {"Thu, 29 Feb 2024 12:00:00 +0000", "2024-02-29T12:00:00Z"},
      {"Sat, 31 Dec 2016 23:59:60 +0000", "2016-12-31T23:59:59Z"},  // a leap second
  };
  for (const Case& c : cases) EXPECT_EQ(date(c.text), c.utc) << c.text;
}

TEST(MailDate, ObsoleteForms) {
  const Case cases[] = {
      {"Fri, 31 Jan 03 14:05 EST", "2003-01-31T19:05:00Z"},       // two-digit year, zone name
      {"31 Jan 99 14:05:00 PDT", "1999-01-31T21:05:00Z"},
      {"31 Jan 103 14:05:00 GMT", "2003-01-31T14:05:00Z"},        // three-digit year
      {"Fri,31 Jan 2003   14:05:00   +0000", "2003-01-31T14:05:00Z"},
      {"Fri, 31 Jan 2003 14:05:00 +0000 (GMT Standard Time)", "2003-01-31T14:05:00Z"},
      {"Fri (Friday), 31 (day) Jan 2003 14:05:00 (time) UT", "2003-01-31T14:05:00Z"},
      {"31 Jan 2003 14:05:00 A", "2003-01-31T14:05:00Z"},         // military zone: unknown
      {"friday, 31 january 2003 14:05:00 +0000", "2003-01-31T14:05:00Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(date(c.text), c.utc) << c.text;
}

TEST(MailDate, FormsOldClientsWrote) {
  const Case cases[] = {
      {"Sat Feb  1 09:08:07 2003", "2003-02-01T09:08:07Z"},            // asctime
      {"Sat Feb 1 09:08:07 EST 2003", "2003-02-01T14:08:07Z"},
      {"2003-02-01 09:08:07", "2003-02-01T09:08:07Z"},
      {"2003-02-01T09:08:07+01:00", "2003-02-01T08:08:07Z"},
      {"01.02.2003 09:08:07 +0100", "2003-02-01T08:08:07Z"},           // day.month.year
      {"01-Feb-2003 09:08:07 GMT", "2003-02-01T09:08:07Z"},
      {"Sat, 01 Feb 2003 09:08:07 GMT+0200", "2003-02-01T07:08:07Z"},
      {"Sat, 01 Feb 2003 09:08:07 UTC+2", "2003-02-01T07:08:07Z"},
      {"Sat, 01 Feb 2003 9:08:07 PM +0000", "2003-02-01T21:08:07Z"},
      {"Sat, 01 Feb 2003 12:08 AM +0000", "2003-02-01T00:08:00Z"},
      {"Sat, 01 Feb 2003 09:08:07 CET", "2003-02-01T08:08:07Z"},
      {"Sa, 01 Mai 2003 09:08:07 MESZ", "2003-05-01T07:08:07Z"},
      {"Feb 1, 2003 09:08:07", "2003-02-01T09:08:07Z"},
      {"1 Feb 2003", "2003-02-01T00:00:00Z"},                          // no time of day
  };
  for (const Case& c : cases) EXPECT_EQ(date(c.text), c.utc) << c.text;
}

TEST(MailDate, NoUsableDateGivesNone) {
  const char* unusable[] = {
      "", "sometime last week", "Fri, 30 Feb 2003 10:00:00 +0000", "Fri, 31 Jan 2003 24:00:00 +0000",
      "Fri, 31 Jan 2003 10:61:00 +0000", "31 2003 10:00:00", "Fri, 0 Jan 2003 10:00:00",
      "Mon, 1 Jan 1500 10:00:00 +0000", "1234567890", "::::", "Jan Jan Jan",
  };
  for (const char* text : unusable) EXPECT_EQ(date(text), "none") << text;
}

}  // namespace
