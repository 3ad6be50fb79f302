// Stores converted to rich-text documents through the worker with the real components:
// every document is read by LibreOffice (all of a test's documents in one call) and must
// show the subject and the body of the mail the engine writes from the same store; every
// attachment folder holds the mail's attachments under their names, byte for byte.
#include <gtest/gtest.h>

#include <optional>

#include "convert/conversion_worker.h"
#include "convert/rtf_mode.h"
#include "convert/save_option.h"
#include "engine/dbx_file.h"
#include "mailstore/attachment_name.h"
#include "mailstore/mime/mime_reader.h"
#include "mailstore/standard_components.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"
#include "tests/support/office_reader.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {


// The mails of a store by index, as the engine writes them; none where it cannot.
std::vector<std::optional<mail::Message>> mailsByIndex(const std::string& dbxPath, const std::string& work) {
  platform::createDirectory(work);
  LogOnlyHost host;
  DbxFile engine(host);
  std::vector<std::optional<mail::Message>> mails;
  if (!engine.open(dbxPath)) return mails;
  std::int32_t found = -1;
  const int count = engine.findMails(found);
  for (int j = 0; j < count; ++j) {
    std::string path;
    mails.push_back(engine.saveMailToEML(work, path, j) ? mail::readMimeFile(path) : std::nullopt);
  }
  engine.close();
  return mails;
}

// The first line of a plain-text body with something in it, as a word processor shows it.
std::string firstLine(const std::u16string& body) {
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = body.size();
    std::u16string line;
    for (std::size_t k = start; k < end; ++k)
      if (body[k] >= 0x20 || body[k] == u'\t') line += body[k];
    if (line.find_first_not_of(u" \t\u00a0") != std::u16string::npos) return platform::utf16ToUtf8(line);
    start = end + 1;
  }
  return {};
}

bool hasLine(const std::string& text, const std::string& line) {
  std::size_t at = 0;
  while ((at = text.find(line, at)) != std::string::npos) {
    const bool starts = at == 0 || text[at - 1] == '\n' || (at == 3 && text.rfind("\xef\xbb\xbf", 0) == 0);
    const std::size_t end = at + line.size();
    if (starts && (end == text.size() || text[end] == '\r' || text[end] == '\n')) return true;
    ++at;
  }
  return false;
}

class RtfOutput : public OutputRunTest {
 protected:
  RtfOutput() : OutputRunTest(SAVEASRTF) {}
  static void SetUpTestSuite() { mail::useStandardComponents(); }

  // Checks the documents and attachment folders of the converted stores (the n-th store
  // went to folder n) against their mails; the documents go to LibreOffice together.
  // Returns how many documents there are.
  std::size_t expectConverted(const std::vector<std::string>& stores) {
    std::vector<std::string> documents;
    std::vector<const mail::Message*> shown;
    std::vector<std::vector<std::optional<mail::Message>>> all;
    all.reserve(stores.size());
    for (std::size_t s = 0; s < stores.size(); ++s) {
      const std::string base = platform::fromPath(platform::toPath(stores[s]).stem());
      all.push_back(mailsByIndex(stores[s], dir.file("eml_" + std::to_string(s))));
      FileJob job;
      job.outputFolder = out() + platform::pathSeparator() + std::to_string(s + 1) + "_Converted_" + base + "_As_RTF";
      for (std::size_t j = 0; j < all.back().size(); ++j) {
        const std::string document = RtfMode::documentPath(job, static_cast<int>(j));
        const std::optional<mail::Message>& mail = all.back()[j];
        SCOPED_TRACE(document);
        EXPECT_EQ(platform::fileExists(document), mail.has_value());
        if (!mail) continue;
        documents.push_back(document);
        shown.push_back(&*mail);
        expectAttachments(*mail, RtfMode::attachmentFolder(job, static_cast<int>(j)));
      }
    }
    const qm::test::OfficeResult office = qm::test::officeText(documents, dir.file("office"));
    if (!office.available) return documents.size();
    for (std::size_t i = 0; i < documents.size(); ++i) {
      SCOPED_TRACE(documents[i]);
      const auto text = office.outputs.find(documents[i]);
      if (text == office.outputs.end()) {
        ADD_FAILURE() << "LibreOffice could not read it:\n" << office.log;
        continue;
      }
      const mail::Message& m = *shown[i];
      std::u16string subject;
      for (char16_t c : m.subject)
        if (c >= 0x20 || c == u'\t') subject += c;
      EXPECT_TRUE(hasLine(text->second, "Subject:\t" + platform::utf16ToUtf8(subject))) << text->second;
      if (m.textBody) {
        const std::string line = firstLine(*m.textBody);
        EXPECT_TRUE(line.empty() || text->second.find(line) != std::string::npos)
            << "body line \"" << line << "\" missing in:\n" << text->second;
      }
    }
    return documents.size();
  }

  // The folder holds every attachment of the mail under its name, with its bytes.
  static void expectAttachments(const mail::Message& m, const std::string& folder) {
    if (m.attachments.empty()) {
      EXPECT_FALSE(platform::fileExists(folder));
      return;
    }
    std::map<std::string, std::string> expected;
    const std::vector<std::u16string> names = mail::attachmentFileNames(m);
    for (std::size_t a = 0; a < m.attachments.size(); ++a) {
      const mail::Attachment& att = m.attachments[a];
      const auto& bytes = att.embedded ? att.embeddedSource : att.data;
      expected[platform::utf16ToUtf8(names[a])] = std::string(bytes.begin(), bytes.end());
    }
    EXPECT_EQ(snapshot(folder), expected);
  }
};

TEST_F(RtfOutput, TheBundledSampleAndTheRealStoresConvertToDocumentsLibreOfficeReads) {
  const std::vector<std::string> stores = sampleAndRealStores();
  ASSERT_GT(stores.size(), 10u);
  EXPECT_EQ(run(stores), 0);
  EXPECT_GT(expectConverted(stores), 30u);
}

// Mails of the kinds a mailbox holds, in the scripts and encodings mail uses.
std::vector<std::string> mailboxMails() {
  const std::string head = "From: =?iso-8859-1?Q?J=F6rg_M=FCller?= <joerg@example.de>\r\n"
                           "To: Anna <anna@example.com>\r\nDate: Wed, 14 Apr 2004 09:12:45 +0200\r\nMIME-Version: 1.0\r\n";
  std::string binary(300 * 1024, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 2654435761u) >> 13);
  std::string encoded;
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < binary.size(); i += 3) {
    const std::uint32_t v = static_cast<std::uint8_t>(binary[i]) << 16 |
                            (i + 1 < binary.size() ? static_cast<std::uint8_t>(binary[i + 1]) << 8 : 0) |
                            (i + 2 < binary.size() ? static_cast<std::uint8_t>(binary[i + 2]) : 0);
    encoded += kAlphabet[v >> 18 & 63];
    encoded += kAlphabet[v >> 12 & 63];
    encoded += i + 1 < binary.size() ? kAlphabet[v >> 6 & 63] : '=';
    encoded += i + 2 < binary.size() ? kAlphabet[v & 63] : '=';
    if (encoded.size() % 78 == 76) encoded += "\r\n";
  }
  return {
      head + "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
             "Content-Transfer-Encoding: quoted-printable\r\n\r\nSch=F6ne Gr=FC=DFe aus K=F6ln.\r\n",
      head + "Subject: =?utf-8?B?0J/RgNC40LLQtdGC?=\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
             "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80\r\n",
      head + "Subject: Seven\r\nContent-Type: text/plain; charset=utf-7\r\n\r\nHi Mom -+Jjo--!\r\n",
      head + "Subject: Newsletter\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>HTML <b>text</b></p>\r\n",
      head + "Subject: RE: Report\r\nContent-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
             "--mix\r\nContent-Type: text/plain\r\n\r\nThe report is attached.\r\n"
             "--mix\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
          encoded + "--mix\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n\r\nsecond\r\n"
                    "--mix\r\nContent-Type: message/rfc822\r\n\r\nFrom: Dora <dora@example.org>\r\nSubject: Plans\r\n\r\n"
                    "The plans.\r\n--mix--\r\n",
      shortMail("no attachments"),
      longMail("spans many blocks", 9000),
  };
}

TEST_F(RtfOutput, GeneratedStoresInEveryLayoutAndWithDamageConvertToDocumentsLibreOfficeReads) {
  const auto mails = mailboxMails();
  // Mail 4's attachments lose their end.
  const std::vector<std::string> stores = layoutAndDamagedStores(dir, mails, 4, 6);

  EXPECT_EQ(run(stores), 0);
  EXPECT_EQ(expectConverted(stores), stores.size() * mails.size());
}

}  // namespace
}  // namespace qm::convert::test
