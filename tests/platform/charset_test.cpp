#include "platform/charset.h"

#include <gtest/gtest.h>

#include "platform/charset_codecs.h"

namespace {

using qm::platform::toUtf16;
using qm::platform::utf16ToUtf8;

std::string decoded(const std::string& bytes, const char* charset) { return utf16ToUtf8(toUtf16(bytes, charset)); }

struct Case {
  const char* charset;
  std::string bytes;
  const char* text;
};

// Charsets the system converter handles (iconv here, the code-page functions on Windows).
TEST(Charset, SystemCharsetsOfMailOfThatEra) {
  const Case cases[] = {
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
      {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
      {"ISO-8859-2", "\xB1\xE6\xEA\xB3", "ąćęł"},
      {"iso_8859-15", "\xA4", "€"},
      {"ISO-8859-7", "\xE1\xE2\xE3", "αβγ"},
      {"shift_jis", "\x93\xFA\x96\x7B", "日本"},
      {"euc-jp", "\xC6\xFC\xCB\xDC", "日本"},
      {"gb2312", "\xD6\xD0\xCE\xC4", "中文"},
      {"big5", "\xA4\xA4\xA4\xE5", "中文"},
      {"ks_c_5601-1987", "\xC7\xD1\xB1\xB9", "한국"},
      {"euc-kr", "\xC7\xD1\xB1\xB9", "한국"},
      {"iso-2022-jp", "\x1B$BF|K\\\x1B(B", "日本"},
      {"cp850", "\x82", "é"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(qm::platform::isKnownCharset(c.charset)) << c.charset;
    EXPECT_EQ(decoded(c.bytes, c.charset), c.text) << c.charset;
  }
}

TEST(Charset, Iso2022JpRewrittenAsEucJpForConvertersThatLackIt) {
  using qm::platform::codecs::iso2022JpToEucJp;
  EXPECT_EQ(iso2022JpToEucJp("a\x1B$BF|K\\\x1B(Bb"), "a\xC6\xFC\xCB\xDC" "b");
  EXPECT_EQ(iso2022JpToEucJp("\x1B(I1\x1B(J~"), "\x8E\xB1~") << "half-width katakana, JIS-Roman";
  EXPECT_EQ(iso2022JpToEucJp("\x1B$(D0!\x1B(B"), "\x8F\xB0\xA1") << "JIS X 0212";
  EXPECT_EQ(iso2022JpToEucJp("\x1B$B0\r\n!"), "0\r\n!") << "a cut-off pair, a new line in ASCII";
}

TEST(Charset, UnknownOrMissingCharsetsReadAsWindows1252) {
  for (const char* name : {"", "x-unknown", "unknown-8bit", "no-such-charset", "\"\""}) {
    EXPECT_FALSE(qm::platform::isKnownCharset(name)) << name;
    EXPECT_EQ(decoded("caf\xE9 \x80 \x93x\x94 \x81", name), "café € “x” \u0081") << name;
  }
  EXPECT_EQ(decoded("\x80\x9F\xA0\xFF", "iso-8859-1"), "€Ÿ\u00A0ÿ") << "ISO-8859-1 reads as its superset";
  EXPECT_EQ(decoded("a\xE9", "us-ascii"), "aé");
}

TEST(Charset, LongTextReadsTheSameWhereverItsHighBytesFall) {
  // ASCII is taken eight bytes at a time; a high byte at any place of such a step, or in
  // the bytes left over at the end, reads as it does on its own.
  for (std::size_t at = 0; at < 20; ++at) {
    std::string bytes(19, 'a');
    bytes[at % 19] = '\x93';
    bytes += at < 19 ? "" : "\xE9";
    std::string expected(19, 'a');
    expected.replace(at % 19, 1, "\u201C");
    expected += at < 19 ? "" : "é";
    EXPECT_EQ(decoded(bytes, "windows-1252"), expected) << at;
    EXPECT_EQ(decoded(bytes, "iso-8859-1"), expected) << at;
  }
}

TEST(Charset, BytesInvalidInTheirCharsetReadAsWindows1252) {
  EXPECT_EQ(decoded("ok \xE9t\xE9 \xC3\xA9", "utf-8"), "ok été é");
  EXPECT_EQ(decoded("\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80", "utf-8"), "À¯ í\u00A0€ ô\u0090€€")
      << "overlong forms, surrogates and code points past U+10FFFF are not UTF-8";
  EXPECT_EQ(decoded("\x93\xFA\xFF\x96\x7B", "shift_jis"), "日ÿ本");
  EXPECT_EQ(decoded("\xF0\x9F\x98\x80", "utf-8"), "😀");
}

TEST(Charset, Utf7AsRfc2152WritesIt) {
  EXPECT_EQ(decoded("Hi Mom -+Jjo--!", "utf-7"), "Hi Mom -☺-!");
  EXPECT_EQ(decoded("+ZeVnLIqe-", "UTF-7"), "日本語");
  EXPECT_EQ(decoded("A+ImIDkQ.", "unicode-1-1-utf-7"), "A≢Α.");
  EXPECT_EQ(decoded("1 +- 1 = 2", "utf-7"), "1 + 1 = 2");
  EXPECT_EQ(decoded("+2D3eAA-", "utf-7"), "😀") << "a surrogate pair";
  EXPECT_EQ(decoded("end +AGE", "utf-7"), "end a") << "a run cut off at the end";
  EXPECT_EQ(decoded("caf\xE9", "utf-7"), "café");
}

TEST(Charset, Utf16WithAndWithoutByteOrderMark) {
  EXPECT_EQ(decoded(std::string("\xFF\xFE" "a\0b\0", 6), "utf-16"), "ab");
  EXPECT_EQ(decoded(std::string("\xFE\xFF\0a\0b", 6), "utf-16"), "ab");
  EXPECT_EQ(decoded(std::string("\0a\0b", 4), "utf-16"), "ab") << "big-endian without a mark";
  EXPECT_EQ(decoded(std::string("a\0b", 3), "utf-16le"), "ab") << "an odd last byte is kept";
}

TEST(Charset, NamesAreFoldedToOneSpelling) {
  EXPECT_EQ(qm::platform::canonicalCharset(" \"UTF8\" "), "utf-8");
  EXPECT_EQ(qm::platform::canonicalCharset("ISO8859-2"), "iso-8859-2");
  EXPECT_EQ(qm::platform::canonicalCharset("iso_8859-1:1987"), "iso-8859-1");
  EXPECT_EQ(qm::platform::canonicalCharset("x-cp1250"), "windows-1250");
  EXPECT_EQ(qm::platform::canonicalCharset("Shift-JIS"), "shift_jis");
  EXPECT_EQ(qm::platform::canonicalCharset("utf-8*en"), "utf-8");
}

TEST(Utf16ToUtf8, SurrogatePairsAndStrayHalves) {
  EXPECT_EQ(utf16ToUtf8(u"a\U0001F600é"), "a😀é");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\uFFFDx");
  EXPECT_TRUE(qm::platform::isValidUtf8("plain ascii"));
  EXPECT_TRUE(qm::platform::isValidUtf8("\xE2\x82\xAC"));
  EXPECT_FALSE(qm::platform::isValidUtf8("\xE2\x82"));
}

}  // namespace
