#include "tests/convert/sample_mails.h"

#include <cstdint>

#include "tests/convert/run_fixture.h"

namespace qm::convert::test {

std::string base64(const std::string& bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 2]);
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += i + 1 < bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
    if (out.size() % 78 == 76) out += "\r\n";
  }
  return out + "\r\n";
}

std::string binary(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<char>(x >> 16);
  }
  return bytes;
}

// Mails of the kinds a mailbox holds: encoded headers, alternatives, attachments, a
// forwarded mail.
std::vector<std::string> mailboxMails(std::size_t attachmentSize) {
  const std::string head = "From: =?iso-8859-1?Q?J=F6rg_M=FCller?= <joerg@example.de>\r\n"
                           "To: Anna <anna@example.com>, bob@example.com\r\nCc: Carl <carl@example.net>\r\n"
                           "Date: Wed, 14 Apr 2004 09:12:45 +0200\r\nMIME-Version: 1.0\r\n";
  std::vector<std::string> mails;
  mails.push_back(head + "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\nSch=F6ne Gr=FC=DFe aus K=F6ln.\r\n");
  mails.push_back(head + "Subject: Newsletter\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
                         "--alt\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nPlain text.\r\n"
                         "--alt\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>HTML <b>text</b></p>\r\n"
                         "--alt--\r\n");
  mails.push_back(head + "Subject: RE: Report\r\nContent-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
                         "--mix\r\nContent-Type: text/plain\r\n\r\nThe report is attached.\r\n"
                         "--mix\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n"
                         "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"report.pdf\"\r\n\r\n" +
                  base64(binary(attachmentSize, 7)) + "--mix--\r\n");
  mails.push_back(head + "Subject: Fwd: Plans\r\nContent-Type: multipart/mixed; boundary=\"fwd\"\r\n\r\n"
                         "--fwd\r\nContent-Type: text/plain\r\n\r\nSee below.\r\n"
                         "--fwd\r\nContent-Type: message/rfc822\r\n\r\n"
                         "From: Dora <dora@example.org>\r\nTo: joerg@example.de\r\nSubject: Plans\r\n"
                         "Date: Mon, 12 Apr 2004 18:00:00 +0200\r\n\r\nThe plans.\r\n--fwd--\r\n");
  mails.push_back(shortMail("no attachments"));
  mails.push_back(longMail("spans many blocks", 9000));
  return mails;
}

std::vector<std::string> attachmentMails(int count, std::size_t size) {
  std::vector<std::string> mails;
  for (int i = 0; i < count; ++i) {
    mails.push_back("From: ann@example.com\r\nTo: bob@example.com\r\nSubject: Part " + std::to_string(i) +
                    "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                    "--b\r\nContent-Type: text/plain\r\n\r\nPart " + std::to_string(i) + ".\r\n"
                    "--b\r\nContent-Type: application/octet-stream; name=\"part.bin\"\r\n"
                    "Content-Transfer-Encoding: base64\r\n\r\n" + base64(binary(size, i)) + "--b--\r\n");
  }
  return mails;
}

}  // namespace qm::convert::test
