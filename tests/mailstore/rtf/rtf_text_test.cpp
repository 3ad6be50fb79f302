// The rich-text writer's own output, byte for byte where it matters: escaping, \uN with its
// fallback, groups that nest whatever the HTML does, and the HTML reader on broken input.
#include <gtest/gtest.h>

#include <string>

#include "mailstore/rtf/html_entities.h"
#include "mailstore/rtf/html_to_rtf.h"
#include "mailstore/rtf/rtf_text.h"
#include "tests/mailstore/rtf/rtf_check.h"

namespace qm::mail::rtf {
namespace {

std::string textRtf(std::u16string_view text) {
  RtfText out;
  out.lines(text);
  return out.finish();
}

std::string htmlRtf(std::u16string_view html) {
  RtfText out;
  out.open();
  renderHtml(html, out);
  return out.finish();
}

TEST(RtfText, SpecialCharactersAreEscapedAndNonAsciiIsUnicodeWithItsAnsiFallback) {
  struct Case {
    std::u16string text;
    std::string rtf;
  };
  const Case cases[] = {
      {u"a\\b{c}d", "a\\\\b\\{c\\}d"},
      {u"K\u00f6ln", "K\\u246\\'f6ln"},                 // in windows-1252 at f6
      {u"\u20ac 5", "\\u8364\\'80 5"},                   // the euro sign, at 80 in windows-1252
      {u"\u041f\u0440", "\\u1055?\\u1088?"},             // Cyrillic: no ANSI byte
      {u"\u65e5", "\\u26085?"},                          // CJK
      {u"\uFF01", "\\u-255?"},                           // above 32767: signed
      {u"\U0001F600", "\\u-10179?\\u-8704?"},            // an emoji as its two surrogates
      {u"a\xD800z", "a\\u-3?z"},                         // half a pair: U+FFFD
      {u"a\tb", "a\\tab b"},
      {u"bell\x07!", "bell!"},                           // control characters dropped
  };
  for (const Case& c : cases) EXPECT_EQ(textRtf(c.text), c.rtf) << c.rtf;
}

TEST(RtfText, EveryKindOfLineEndEndsOneParagraph) {
  EXPECT_EQ(textRtf(u"one\r\ntwo\nthree\rfour\r\n\r\n"),
            "one\\par\r\ntwo\\par\r\nthree\\par\r\nfour\\par\r\n\\par\r\n");
}

TEST(RtfText, GroupsLeftOpenAreClosedAndExtraClosesAreIgnored) {
  RtfText out;
  out.open();
  out.close();
  out.close();
  out.open();
  out.open();
  out.control("b");
  out.text(u"x");
  EXPECT_EQ(out.finish(), "{}{{\\b x}}");
}

TEST(RtfText, AMegabyteBodyIsWrittenInLinearTime) {
  std::u16string body;
  for (int i = 0; i < 40000; ++i) body += u"line of text with \u00e4 and {braces}\r\n";
  const std::string rtf = textRtf(body);
  EXPECT_EQ(rtf.size(), 40000u * (std::string("line of text with \\u228\\'e4 and \\{braces\\}\\par\r\n").size()));
}

TEST(HtmlEntities, NamedNumericAndUnterminatedReferences) {
  struct Case {
    std::u16string text;
    char32_t character;
    std::size_t length;
  };
  const Case cases[] = {
      {u"&amp;", U'&', 5},         {u"&lt;b", U'<', 4},        {u"&nbsp;x", 0xA0, 6},
      {u"&eacute;", 0xE9, 8},      {u"&hellip;", 0x2026, 8},   {u"&#65;", U'A', 5},
      {u"&#x1F600;", 0x1F600, 9},  {u"&#X41", U'A', 5},        {u"&#150;", 0x2013, 6},
      {u"&#0;", 0xFFFD, 4},        {u"&#xD800;", 0xFFFD, 8},   {u"&#99999999999;", 0xFFFD, 14},
      {u"&copy 2024", 0xA9, 5},    {u"&apos;", U'\'', 6},      {u"&nosuch;", 0, 0},
      {u"&", 0, 0},                {u"&#;", 0, 0},             {u"&notin;", 0x2209, 7},
  };
  for (const Case& c : cases) {
    const CharacterReference ref = readCharacterReference(c.text);
    EXPECT_EQ(static_cast<std::uint32_t>(ref.character), static_cast<std::uint32_t>(c.character));
    EXPECT_EQ(ref.length, c.length);
  }
}

TEST(HtmlToRtf, MarkupBecomesFormattingAndNeverText) {
  struct Case {
    std::u16string html;
    std::string rtf;
  };
  const Case cases[] = {
      {u"<p>One</p><p>Two</p>", "{\\pard\\sa60 One\\par\r\nTwo\\par\r\n}"},
      {u"a<br>b<BR/>c", "{\\pard\\sa60 a\\line b\\line c}"},
      {u"<b>bold</b> <i>it</i> <u>under</u>", "{\\pard\\sa60{\\b bold}{\\i  it}{\\ul  under}}"},
      {u"<h1>Title</h1>text", "{\\pard\\sa60{\\b\\fs32 Title}\\par\r\ntext}"},
      {u"<ul><li>one<li>two</ul>",
       "{\\pard\\sa60\\pard\\sa60\\li360\\fi-360\\tx360\\u8226\\'95\\tab one\\par\r\n\\u8226\\'95\\tab two\\par\r\n}"},
      {u"<ol><li><p>first</p></li><li>second</li></ol>",
       "{\\pard\\sa60\\pard\\sa60\\li360\\fi-360\\tx360 1.\\tab first\\par\r\n2.\\tab second\\par\r\n}"},
      {u"see <a href=\"http://x.org/?a=1&amp;b=&quot;\">the site</a>.",
       "{\\pard\\sa60 see {\\field{\\*\\fldinst{HYPERLINK \"http://x.org/?a=1&b=%22\"}}{\\fldrslt{\\ul\\cf2 the site}}}.}"},
      {u"<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>",
       "{\\pard\\sa60 a\\tab b\\par\r\n{\\b c}\\par\r\n}"},
      {u"<style>p{color:red}</style><script>if(a<b)x();</script><title>T</title>body",
       "{\\pard\\sa60 body}"},
      {u"<!-- <b>not</b> --><!DOCTYPE html>x &lt;tag&gt; &amp; 1 < 2", "{\\pard\\sa60 x <tag> & 1 < 2}"},
      {u"  lots   of\r\n  space  ", "{\\pard\\sa60 lots of space}"},
      {u"<pre>a  b\n  c</pre>", "{\\pard\\sa60 a  b\\line   c\\par\r\n}"},
      {u"<blockquote>q</blockquote>", "{\\pard\\sa60\\pard\\sa60\\li360\\tx360 q\\par\r\n}"},
  };
  for (const Case& c : cases) EXPECT_EQ(htmlRtf(c.html), c.rtf) << c.rtf;
}

TEST(HtmlToRtf, BrokenMarkupStillGivesOneWellNestedDocument) {
  const std::u16string broken[] = {
      u"<b><i>crossed</b></i> <u>never closed",
      u"</b></a></ul> ends without starts",
      u"<a href=\"x\"><a href=\"y\">nested</a></a>",
      u"<a href='unterminated>text",
      u"<p title=\"x>y\">quote holds the bracket</p>",
      u"<script>never ends",
      u"<<<>>> <",
      u"<!-- never ends",
      u"<b " ,
  };
  for (const std::u16string& html : broken) {
    const std::string rtf = htmlRtf(html);
    EXPECT_EQ(rtfProblems(rtf), "") << rtf;
    EXPECT_EQ(rtf.find("<b>"), std::string::npos) << rtf;
  }
  std::u16string deep;
  for (int i = 0; i < 100000; ++i) deep += u"<b><ul><li><a href=\"u\">";
  const std::string rtf = htmlRtf(deep + u"end");
  EXPECT_EQ(rtfProblems(rtf), "");
  EXPECT_LT(groupDepth(rtf), 200) << "nesting is bounded whatever the HTML does";
}

}  // namespace
}  // namespace qm::mail::rtf
