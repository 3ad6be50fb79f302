#include "mailstore/mime/address_list.h"

#include <gtest/gtest.h>

#include "tests/mailstore/message_dump.h"

namespace {

std::string read(const std::string& value) {
  std::vector<std::string> charsets;
  qm::mail::mime::CharsetLog log(charsets);
  std::string out;
  for (const qm::mail::Address& a : qm::mail::mime::parseAddressList(value, log)) {
    out += "[" + qm::test::utf8(a.displayName) + "|" + a.address + "]";
  }
  return out;
}

struct Case {
  const char* value;
  const char* mailboxes;
};

TEST(AddressList, WellFormedLists) {
  const Case cases[] = {
      {"joe@example.com", "[|joe@example.com]"},
      {"Joe Bloggs <joe@example.com>", "[Joe Bloggs|joe@example.com]"},
      {"\"Bloggs, Joe\" <joe@example.com>, ann@example.org", "[Bloggs, Joe|joe@example.com][|ann@example.org]"},
      {"\"Joe \\\"JB\\\" Bloggs\" <joe@example.com>", "[Joe \"JB\" Bloggs|joe@example.com]"},
      {"=?utf-8?q?J=C3=B6rg?= <j@example.de>", "[Jörg|j@example.de]"},
      {"\"=?utf-8?q?J=C3=B6rg?=\" <j@example.de>", "[Jörg|j@example.de]"},
      {"\"john doe\"@example.com", "[|\"john doe\"@example.com]"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.value), c.mailboxes) << c.value;
}

TEST(AddressList, GroupsAreFlattenedAndEmptyGroupsGiveNothing) {
  EXPECT_EQ(read("Team: a@x.org, B <b@x.org>;, c@x.org"), "[|a@x.org][B|b@x.org][|c@x.org]");
  EXPECT_EQ(read("undisclosed-recipients:;"), "");
  EXPECT_EQ(read("Team: a@x.org"), "[|a@x.org]") << "a group without its closing ';'";
}

TEST(AddressList, CommentsRoutesAndOddSpacing) {
  const Case cases[] = {
      {"joe@example.com (Joe Bloggs)", "[Joe Bloggs|joe@example.com]"},
      {"Joe (the (nested) comment) <joe@example.com>", "[Joe|joe@example.com]"},
      {"<@relay1.example,@relay2.example:joe@example.com>", "[|joe@example.com]"},
      {"Joe < joe @ example.com >", "[Joe|joe@example.com]"},
      {"  ,  , joe@example.com ,", "[|joe@example.com]"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.value), c.mailboxes) << c.value;
}

TEST(AddressList, BrokenListsAreReadAsFarAsTheyGo) {
  const Case cases[] = {
      {"Joe <joe@example.com", "[Joe|joe@example.com]"},  // no closing bracket
      {"\"Joe <joe@example.com>", "[|\"Joe <joe@example.com>]"},  // an open quote takes the rest
      {"Undisclosed Recipients", "[|Undisclosed Recipients]"},
      {"", ""},
      {"<>", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.value), c.mailboxes) << c.value;
}

}  // namespace
