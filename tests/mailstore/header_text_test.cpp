#include "mailstore/mime/header_text.h"

#include <gtest/gtest.h>

#include "tests/mailstore/message_dump.h"

namespace {

using qm::mail::mime::CharsetLog;
using qm::mail::mime::decodeHeaderText;

std::string decoded(const std::string& raw, std::vector<std::string>* charsets = nullptr) {
  std::vector<std::string> names;
  CharsetLog log(charsets ? *charsets : names);
  return qm::test::utf8(decodeHeaderText(raw, log));
}

struct Case {
  const char* raw;
  const char* text;
};

TEST(EncodedWords, WellFormedWordsAreDecoded) {
  const Case cases[] = {
      {"=?iso-8859-1?q?caf=E9?=", "café"},
      {"=?ISO-8859-1?Q?caf=e9_cr=E8me?=", "café crème"},
      {"=?utf-8?B?w6k=?=", "é"},
      {"=?utf-8?b?w6k?=", "é"},  // padding left off
      {"a =?utf-8?q?=C3=A9?= b", "a é b"},
      {"=?utf-8*fr?q?=C3=A9t=C3=A9?=", "été"},  // RFC 2231 language tag
      {"(=?utf-8?q?x?=)", "(x)"},               // glued to other characters
  };
  for (const Case& c : cases) EXPECT_EQ(decoded(c.raw), c.text) << c.raw;
}

TEST(EncodedWords, BlanksBetweenAdjacentWordsAreDroppedAndOthersKept) {
  EXPECT_EQ(decoded("=?utf-8?q?a?= =?utf-8?q?b?="), "ab");
  EXPECT_EQ(decoded("=?utf-8?q?a?=\t  =?iso-8859-1?q?b?="), "ab");
  EXPECT_EQ(decoded("=?utf-8?q?a?=  text  =?utf-8?q?b?="), "a  text  b");
  EXPECT_EQ(decoded("=?utf-8?q?a_?= =?utf-8?q?b?="), "a b");
}

TEST(EncodedWords, ACharacterSplitAcrossTwoWordsIsJoined) {
  // The euro sign E2 82 AC cut after its second byte, in Q and in B form.
  EXPECT_EQ(decoded("=?utf-8?q?=E2=82?= =?utf-8?q?=AC?="), "€");
  EXPECT_EQ(decoded("=?utf-8?B?4oI=?= =?UTF-8?B?rA==?="), "€");
  // The same bytes in words of different charsets are not joined (ISO-8859-1 reads as its
  // superset windows-1252).
  EXPECT_EQ(decoded("=?iso-8859-1?q?=E2=82?= =?utf-8?q?=AC?="), "â‚¬");
}

TEST(EncodedWords, MalformedWordsStayAsTheyStood) {
  const char* kept[] = {
      "=?utf-8?x?abc?=",       // unknown encoding
      "=?utf-8?b?a*b?=",       // not base64
      "=?utf-8?q?unterminated",
      "=??q?abc?=",            // no charset
      "=?utf-8?q?with space?=",
  };
  for (const char* raw : kept) EXPECT_EQ(decoded(raw), raw) << raw;
}

TEST(EncodedWords, AnUnknownCharsetReadsAsWindows1252) {
  std::vector<std::string> charsets;
  EXPECT_EQ(decoded("=?x-martian?q?=93hi=94?=", &charsets), "“hi”");
  EXPECT_EQ(charsets, std::vector<std::string>{"x-martian"});
}

TEST(RawHeaderBytes, Utf8WhenWellFormedElseWindows1252) {
  EXPECT_EQ(decoded("caf\xC3\xA9"), "café");
  EXPECT_EQ(decoded("caf\xE9 \x80"), "café €");
}

TEST(CharsetLog, NamesEachCharsetOnceInLowerCase) {
  std::vector<std::string> charsets;
  decoded("=?UTF-8?q?a?= =?utf-8?q?b?= =?Iso-8859-2?q?c?=", &charsets);
  EXPECT_EQ(charsets, (std::vector<std::string>{"utf-8", "iso-8859-2"}));
}

}  // namespace
