// Mails written as rich text and read back by a word processor: LibreOffice must show the
// header lines and the body of each mail as its text, non-ASCII included. All documents go
// to LibreOffice in one call (it is slow to start). unrtf checks the structure only: it
// cannot read \uN text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "mailstore/mime/mime_reader.h"
#include "mailstore/rtf/rtf_mail.h"
#include "tests/mailstore/rtf/rtf_check.h"
#include "tests/support/files.h"
#include "tests/support/office_reader.h"
#include "tests/support/temp_dir.h"

namespace qm::mail::rtf {
namespace {

using qm::test::TempDir;

// Central European time with its summer time, written out so that no time zone data is
// needed: 14 Apr 2004 07:12:45 UTC is 09:12 local.
void useCentralEuropeanTime() {
#ifndef _WIN32
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
#endif
}

struct Sample {
  std::string name;
  std::string eml;
  std::vector<std::string> lines;  // each must be a line of the text LibreOffice shows
};

const std::string kHead =
    "From: =?utf-8?B?0JjQstCw0L0g0J/QtdGC0YDQvtCy?= <ivan@example.ru>\r\n"
    "To: Anna <anna@example.com>, bob@example.com\r\nCc: Carl <carl@example.net>\r\n"
    "Date: Wed, 14 Apr 2004 09:12:45 +0200\r\nMIME-Version: 1.0\r\n";

std::vector<Sample> samples() {
  std::vector<Sample> s;
  s.push_back({"plain",
               kHead + "Subject: Quarterly {report} \\ totals\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
                       "Hello Anna,\r\n\r\n\tfigures:\t12\t{x}\r\nBye\r\n",
               {"From:\t\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432 <ivan@example.ru>",
                "Sent:\tWednesday, April 14, 2004 9:12 AM", "To:\tAnna <anna@example.com>; bob@example.com",
                "Cc:\tCarl <carl@example.net>", "Subject:\tQuarterly {report} \\ totals", "Hello Anna,", "",
                "\tfigures:\t12\t{x}", "Bye"}});
  s.push_back({"cyrillic",
               kHead + "Subject: =?koi8-r?B?8NLJ18XU?=\r\nContent-Type: text/plain; charset=utf-8\r\n"
                       "Content-Transfer-Encoding: 8bit\r\n\r\n\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82, "
                       "\xd0\xbc\xd0\xb8\xd1\x80! K\xc3\xb6ln \xe2\x82\xac\r\n",
               {"Subject:\t\u041f\u0440\u0438\u0432\u0435\u0442", "\u041f\u0440\u0438\u0432\u0435\u0442, "
                "\u043c\u0438\u0440! K\u00f6ln \u20ac"}});
  s.push_back({"cjk-emoji",
               kHead + "Subject: =?utf-8?B?5pel5pys6KqeIPCfmIA=?=\r\nContent-Type: text/plain; charset=utf-8\r\n"
                       "Content-Transfer-Encoding: base64\r\n\r\n"
                       "5LiA5Lqs5Lit5paH44CC8J+YgPCfkY0gSGFu4LiB4Lij\r\n",
               {"Subject:\t\u65e5\u672c\u8a9e \U0001F600",
                "\u4e00\u4eac\u4e2d\u6587\u3002\U0001F600\U0001F44D Han\u0e01\u0e23"}});
  s.push_back({"utf7",
               kHead + "Subject: UTF-7 mail\r\nContent-Type: text/plain; charset=utf-7\r\n\r\n"
                       "Hi Mom -+Jjo--!\r\nA+ImIDkQ.\r\n",
               {"Subject:\tUTF-7 mail", "Hi Mom -\u263a-!", "A\u2262\u0391."}});
  s.push_back({"html",
               kHead + "Subject: Newsletter\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
                       "<html><head><title>T</title><style>p{color:red}</style></head><body>"
                       "<h1>News &amp; more</h1><p>Read <b>this</b> and <a href=\"https://example.com/a?b=1&amp;c=2\">"
                       "our site</a>.</p><ul><li>first item</li><li>second <i>item</i></li></ul>"
                       "<ol><li>one</li><li>two</li></ol><table><tr><td>cell 1</td><td>cell 2</td></tr></table>"
                       "<script>alert('x')</script><p>line<br>break &eacute;&#x1F600;</p></body></html>\r\n",
               {"News & more", "Read this and our site.", "\u2022\tfirst item", "\u2022\tsecond item", "1.\tone",
                "2.\ttwo", "cell 1\tcell 2", "line", "break \u00e9\U0001F600"}});
  s.push_back({"attachments",
               kHead + "Subject: With files\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\nSee the files.\r\n"
                       "--b\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n\r\n%PDF\r\n"
                       "--b\r\nContent-Type: message/rfc822\r\n\r\nSubject: Plans\r\n\r\nThe plans.\r\n--b--\r\n",
               {"Attachments:\treport.pdf; Plans.eml", "See the files."}});
  return s;
}

std::vector<std::string> textLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::string t = text;
  if (t.rfind("\xef\xbb\xbf", 0) == 0) t.erase(0, 3);
  while (start <= t.size()) {
    std::size_t end = t.find('\n', start);
    if (end == std::string::npos) end = t.size();
    std::string line = t.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

TEST(RtfOffice, LibreOfficeShowsTheHeaderLinesAndTheBodyOfEveryMail) {
  useCentralEuropeanTime();
  TempDir dir;
  std::vector<std::string> files;
  const std::vector<Sample> all = samples();
  for (const Sample& sample : all) {
    const std::string rtf = renderMailRtf(readMimeMessage(std::string_view(sample.eml)));
    EXPECT_EQ(rtfProblems(rtf), "") << sample.name;
    files.push_back(dir.file(sample.name + ".rtf"));
    qm::test::writeFile(files.back(), rtf);
    const std::string html = unrtfHtml(files.back());
    if (html.empty()) continue;
    // The labels are bold runs of their own; links are fields.
    EXPECT_NE(html.find("<b>From:</b>"), std::string::npos) << html;
    EXPECT_NE(html.find("<b>Subject:</b>"), std::string::npos) << html;
    if (sample.name == "html") {
      EXPECT_NE(html.find("<a href="), std::string::npos) << html;
    }
  }
  const qm::test::OfficeResult office = qm::test::officeText(files, dir.file("office"));
  if (!office.available) GTEST_SKIP() << "LibreOffice is not installed here";
  for (std::size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].name);
    const auto text = office.outputs.find(files[i]);
    ASSERT_NE(text, office.outputs.end()) << office.log;
    const std::vector<std::string> lines = textLines(text->second);
    std::size_t at = 0;  // the expected lines appear in this order
    for (const std::string& expected : all[i].lines) {
      std::size_t k = at;
      while (k < lines.size() && lines[k] != expected) ++k;
      EXPECT_LT(k, lines.size()) << "missing line \"" << expected << "\" in:\n" << text->second;
      if (k < lines.size()) at = k + 1;
    }
    for (const char* markup : {"<html", "<b>", "<li", "<a ", "<p>", "href", "alert(", "color:red", "\\par"})
      EXPECT_EQ(text->second.find(markup), std::string::npos) << "no markup reaches the text: " << markup;
  }
}

// Mails as the fuzz target makes them: the seeds of its corpus with bytes changed, markup
// and random bytes spliced in, taken as mails and as HTML.
std::vector<std::string> randomDocuments(std::size_t count) {
  std::vector<std::string> seeds;
  for (const char* name : {"html.eml", "plain.eml", "attachments.eml"})
    seeds.push_back(qm::test::readFile(std::string(QM_SOURCE_DIR) + "/fuzz/corpus/rtf/" + name));
  const char* const pieces[] = {"<b>", "</i>", "<a href=\"", "<ul><li>", "&#x", "{\\", "}", "\\par", "<table><td>",
                                "<script>", "\xf0\x9f", "\xd0", "=?utf-8?B?", "\r\n\r\n", "<pre>", "&amp", "\t"};
  std::uint32_t x = 12345;
  const auto next = [&x] { return x = x * 1103515245u + 12345u, x >> 8; };
  std::vector<std::string> documents;
  for (std::size_t i = 0; i < count; ++i) {
    std::string mail = seeds[i % seeds.size()];
    for (int edit = 0, edits = 1 + next() % 12; edit < edits; ++edit) {
      const std::size_t at = next() % (mail.size() + 1);
      switch (next() % 3) {
        case 0: mail.insert(at, pieces[next() % std::size(pieces)]); break;
        case 1: if (at < mail.size()) mail[at] = static_cast<char>(next()); break;
        default: mail.insert(at, std::string(1 + next() % 8, static_cast<char>(next()))); break;
      }
    }
    Message m = readMimeMessage(std::string_view(mail));
    if (i % 2 == 1) {
      m.textBody.reset();
      m.htmlBody = std::u16string(mail.begin(), mail.end());
    }
    documents.push_back(renderMailRtf(m));
  }
  return documents;
}

TEST(RtfOffice, LibreOfficeOpensEveryDocumentOfRandomMails) {
  TempDir dir;
  std::vector<std::string> files;
  for (const std::string& rtf : randomDocuments(40)) {
    EXPECT_EQ(rtfProblems(rtf), "");
    files.push_back(dir.file("random" + std::to_string(files.size()) + ".rtf"));
    qm::test::writeFile(files.back(), rtf);
  }
  const qm::test::OfficeResult office = qm::test::officeText(files, dir.file("office"));
  if (!office.available) GTEST_SKIP() << "LibreOffice is not installed here";
  for (const std::string& file : files) {
    const auto text = office.outputs.find(file);
    EXPECT_TRUE(text != office.outputs.end() && text->second.find("Subject:") != std::string::npos)
        << file << "\n" << office.log;
  }
}

}  // namespace
}  // namespace qm::mail::rtf
