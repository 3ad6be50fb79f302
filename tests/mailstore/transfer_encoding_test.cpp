#include "mailstore/mime/transfer_encoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "mailstore/mime/uuencode.h"

namespace {

using namespace qm::mail::mime;

std::string base64(const std::string& text) {
  std::vector<std::uint8_t> out;
  decodeBase64(text, out);
  return std::string(out.begin(), out.end());
}

std::string qp(const std::string& text) {
  std::vector<std::uint8_t> out;
  decodeQuotedPrintable(text, out);
  return std::string(out.begin(), out.end());
}

TEST(Base64, DecodesWhatItIsGiven) {
  EXPECT_EQ(base64("SGVsbG8sIHdvcmxkIQ=="), "Hello, world!");
  EXPECT_EQ(base64("SGVs\r\nbG8s\r\n IHdv cmxk\tIQ==\r\n"), "Hello, world!");
  EXPECT_EQ(base64("SGVsbG8"), "Hello") << "padding left off";
  EXPECT_EQ(base64("SGVs*bG8!"), "Hello") << "characters outside the alphabet are skipped";
  EXPECT_EQ(base64("SGk=SGk="), "HiHi") << "bodies glued together after their padding";
  EXPECT_EQ(base64("S"), "") << "a lone sextet holds no whole byte";
  EXPECT_EQ(base64(""), "");
  EXPECT_EQ(base64("===="), "");
}

TEST(Base64, AllByteValuesSurviveALongBody) {
  std::string encoded;
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string raw;
  for (int round = 0; round < 300; ++round) {
    for (int b = 0; b < 256; ++b) raw.push_back(static_cast<char>(b));
  }
  raw += "xy";  // not a multiple of three
  for (std::size_t i = 0; i < raw.size(); i += 3) {
    const auto a = static_cast<unsigned char>(raw[i]);
    const auto b = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
    const auto c = i + 2 < raw.size() ? static_cast<unsigned char>(raw[i + 2]) : 0;
    const unsigned v = (a << 16) | (b << 8) | c;
    encoded += alphabet[v >> 18];
    encoded += alphabet[(v >> 12) & 63];
    encoded += i + 1 < raw.size() ? alphabet[(v >> 6) & 63] : '=';
    encoded += i + 2 < raw.size() ? alphabet[v & 63] : '=';
    if (encoded.size() % 78 == 76) encoded += "\r\n";
  }
  EXPECT_EQ(base64(encoded), raw);
}

// The rule stated plainly: sextets in order, anything else skipped, padding ends a quantum.
std::string referenceBase64(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned acc = 0;
  int have = 0;
  for (char c : text) {
    if (c == '=') {
      acc = 0, have = 0;
      continue;
    }
    const std::size_t v = alphabet.find(c);
    if (v == std::string::npos) continue;
    acc = (acc << 6) | static_cast<unsigned>(v);
    if (++have >= 2) out.push_back(static_cast<char>(acc >> (8 - 2 * have)));
    if (have == 4) acc = 0, have = 0;
  }
  return out;
}

TEST(Base64, AnyMixtureDecodesAsTheRuleSays) {
  std::mt19937 random(76);
  const std::string pieces[] = {"QUJD", "ZGVm", "\r\n", "\n", " ", "=", "==", "*", "\xC3\xA9", "+/+/", "Zm9v"};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const std::size_t length = random() % 6000;
    while (text.size() < length) {
      // Long clean runs, as in real bodies, with the odd other piece between them.
      const std::size_t run = random() % 120;
      for (std::size_t i = 0; i < run; ++i) text += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[random() % 64];
      text += pieces[random() % std::size(pieces)];
    }
    EXPECT_EQ(base64(text), referenceBase64(text)) << text;
  }
}

TEST(QuotedPrintable, Rfc2045Rules) {
  EXPECT_EQ(qp("caf=E9 cr=e8me"), "caf\xE9 cr\xE8me");
  EXPECT_EQ(qp("soft=\r\nbreak"), "softbreak");
  EXPECT_EQ(qp("soft=  \r\nbreak"), "softbreak") << "blanks after the '=' of a soft break";
  EXPECT_EQ(qp("trailing   \r\nblanks\t\r\n"), "trailing\r\nblanks\r\n");
  EXPECT_EQ(qp("kept=20\r\n"), "kept \r\n");
  EXPECT_EQ(qp("lf only=\nsoft\nhard\n"), "lf onlysoft\nhard\n");
  EXPECT_EQ(qp("no line end at the end"), "no line end at the end");
}

TEST(QuotedPrintable, BrokenEscapesStayAsTheyStood) {
  EXPECT_EQ(qp("100% =ZZ sure=4"), "100% =ZZ sure=4");
  EXPECT_EQ(qp("a=\r\n=\r\nb"), "ab");
  EXPECT_EQ(qp("="), "");
}

TEST(TransferEncodingNames, LetterCaseAndBlanksDoNotMatter) {
  EXPECT_EQ(transferEncodingOf(" BASE64 "), TransferEncoding::Base64);
  EXPECT_EQ(transferEncodingOf("Quoted-Printable"), TransferEncoding::QuotedPrintable);
  EXPECT_EQ(transferEncodingOf("x-uuencode"), TransferEncoding::UuEncode);
  for (const char* identity : {"7bit", "8bit", "binary", "", "x-unknown"}) {
    EXPECT_EQ(transferEncodingOf(identity), TransferEncoding::Identity) << identity;
  }
}

// "Cat" uuencoded is "#0V%T".
TEST(Uuencode, BlocksInTextBecomeFilesAndLeaveTheText) {
  std::string remaining;
  std::vector<UuFile> files;
  ASSERT_TRUE(extractUuencoded("Hello\r\nbegin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\nBye\r\n", remaining, files));
  EXPECT_EQ(remaining, "Hello\r\nBye\r\n");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "cat.txt");
  EXPECT_EQ(std::string(files[0].data.begin(), files[0].data.end()), "Cat");
}

TEST(Uuencode, ShortLinesAndMissingEndAreAccepted) {
  std::string remaining;
  std::vector<UuFile> files;
  // "Ca" + zero byte: its last character was a blank, stripped by a mail transport.
  ASSERT_TRUE(extractUuencoded("begin 0644 a b.bin\n#0V$\nmore text", remaining, files));
  EXPECT_EQ(remaining, "more text");
  EXPECT_EQ(files.at(0).name, "a b.bin");
  EXPECT_EQ(std::string(files[0].data.begin(), files[0].data.end()), std::string("Ca\0", 3));
}

TEST(Uuencode, TextThatOnlyLooksLikeABlockIsLeftAlone) {
  std::string remaining = "untouched";
  std::vector<UuFile> files;
  EXPECT_FALSE(extractUuencoded("We begin 644 tests today.\n", remaining, files));
  EXPECT_FALSE(extractUuencoded("begin 644 file\nthis is not uuencoded data\n", remaining, files));
  EXPECT_FALSE(extractUuencoded("begin 99 file\n#0V%T\nend\n", remaining, files));
  EXPECT_FALSE(extractUuencoded("begin 644\n#0V%T\nend\n", remaining, files));
  EXPECT_EQ(remaining, "untouched");
  EXPECT_TRUE(files.empty());
}

TEST(Uuencode, ABodySentAsUuencode) {
  std::vector<std::uint8_t> out;
  decodeUuBody("begin 644 cat\n#0V%T\n`\nend\n", out);
  EXPECT_EQ(std::string(out.begin(), out.end()), "Cat");
  out.clear();
  decodeUuBody("#0V%T\n", out);
  EXPECT_EQ(std::string(out.begin(), out.end()), "Cat") << "data lines without a begin line";
}

}  // namespace
