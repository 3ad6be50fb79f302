// The mails of a working mailbox, for the conversion benchmarks: mostly a few KB of text
// (plain, quoted-printable, or quoted-printable text with an HTML alternative), one in eight
// with one or two base64 attachments of 8 to 420 KB. Mail m is always the same text.
#pragma once

#include <iterator>
#include <string>
#include <string_view>

#include "bench/conversion_store.h"

namespace qm::bench {

inline const char* const kWords[] = {
    "meeting", "report", "the", "and", "project", "Monday", "budget", "please", "attached", "review",
    "thanks", "regards", "schedule", "update", "of", "to", "we", "will", "next", "week", "draft",
    "final", "numbers", "team", "f\xFCr", "Gr\xFC\xDF" "e", "caf\xE9", "d\xE9j\xE0", "na\xEFve", "\xA7" "4",
    "invoice", "customer", "order", "delivery", "Friday", "could", "you", "send", "me", "a", "copy"};

// Quoted-printable (RFC 2045 section 6.7) with lines of at most 76 characters.
inline std::string quotedPrintable(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  std::size_t line = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
      line = 0;
      continue;
    }
    const bool plain = (c >= 33 && c <= 126 && c != '=') || c == ' ';
    const std::size_t width = plain ? 1 : 3;
    if (line + width > 75) {
      out += "=\r\n";
      line = 0;
    }
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '=';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
    line += width;
  }
  return out;
}

class MailboxMails {
 public:
  MailboxMails() {
    std::string text, html;
    for (std::uint64_t k = 0; text.size() < (2u << 20);) {
      std::string line;
      while (line.size() < 60) line += std::string(kWords[mix(++k) % std::size(kWords)]) + ' ';
      line.pop_back();
      text += line + "\r\n";
      html += "<DIV><FONT face=\"Arial\" size=2>" + line + "</FONT></DIV>\r\n";
    }
    text_ = text;
    quoted_ = quotedPrintable(text);
    html_ = quotedPrintable(html);
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint64_t k = 0; base64_.size() < (6u << 20);) {
      for (int q = 0; q < 76; ++q) base64_ += alphabet[mix(++k) & 63];
      base64_ += "\r\n";
    }
  }

  std::string operator()(std::size_t m) const {
    const std::uint64_t r = mix(m * 7 + 3);
    const unsigned kind = static_cast<unsigned>(r % 100);
    std::string mail = header(m, r);
    if (kind < 45) {
      mail += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
      mail += cut(text_, r >> 8, 800 + (r >> 20) % 8000);
    } else if (kind < 65) {
      mail += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
      mail += cut(quoted_, r >> 8, 800 + (r >> 20) % 8000);
    } else if (kind < 88) {
      mail += "Content-Type: multipart/alternative;\r\n\tboundary=\"----=_NextPart_000_0007_01C2A9A6\"\r\n\r\n"
              "This is a multi-part message in MIME format.\r\n\r\n";
      mail += alternative("----=_NextPart_000_0007_01C2A9A6", r);
    } else {
      mail += "Content-Type: multipart/mixed;\r\n\tboundary=\"----=_NextPart_000_0012_01C2A9A7\"\r\n\r\n"
              "This is a multi-part message in MIME format.\r\n\r\n------=_NextPart_000_0012_01C2A9A7\r\n"
              "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
      mail += cut(quoted_, r >> 8, 500 + (r >> 20) % 3500);
      const int attachments = 1 + static_cast<int>((r >> 40) % 2);
      for (int a = 0; a < attachments; ++a) mail += attachment("----=_NextPart_000_0012_01C2A9A7", mix(r + a));
      mail += "\r\n------=_NextPart_000_0012_01C2A9A7--\r\n";
    }
    return mail;
  }

 private:
  // Whole lines of a pool, from a place chosen by `seed`, of about `length` bytes.
  static std::string cut(const std::string& pool, std::uint64_t seed, std::size_t length) {
    std::size_t begin = pool.find("\r\n", seed % (pool.size() - length - 1024)) + 2;
    const std::size_t end = pool.find("\r\n", begin + length) + 2;
    return pool.substr(begin, end - begin);
  }

  static std::string header(std::size_t m, std::uint64_t r) {
    static const char* const names[] = {"Anna Schmidt", "=?iso-8859-1?Q?J=FCrgen_M=FCller?=", "Bob Miller",
                                        "Carol Dupont", "=?iso-8859-1?Q?Fran=E7oise_L=E9vy?=", "Dave"};
    static const char* const prefixes[] = {"", "", "Re: ", "RE: ", "Fw: ", "AW: "};
    const std::string n = std::to_string(m);
    const std::string day = std::to_string(1 + r % 28), year = std::to_string(1999 + (r >> 5) % 8);
    std::string h = "Received: from mail.example.org ([192.0.2." + std::to_string(r % 250) +
                    "]) by mx.example.net with SMTP id " + n + ";\r\n\t" + day + " Jan " + year +
                    " 09:12:45 +0100\r\nFrom: \"" + names[(r >> 3) % 6] + "\" <sender" + std::to_string(m % 97) +
                    "@example.org>\r\nTo: <reader@example.net>";
    if ((r >> 12) % 3 == 0) h += ",\r\n\t\"Carol\" <carol@example.net>";
    if ((r >> 14) % 4 == 0) h += "\r\nCc: <team@example.net>";
    h += "\r\nSubject: " + std::string(prefixes[(r >> 16) % 6]) + "Message " + n + " about the budget\r\n"
         "Date: " + day + " Jan " + year + " 09:10:00 +0100\r\nMessage-ID: <000801c2a9a6$" + n +
         "@example.org>\r\nMIME-Version: 1.0\r\nX-Priority: 3\r\nX-MSMail-Priority: Normal\r\n"
         "X-Mailer: Mail client 6.00.2800.1106\r\nX-MimeOLE: Produced By Mail client V6.00.2800.1106\r\n";
    return h;
  }

  std::string alternative(const std::string& boundary, std::uint64_t r) const {
    return "--" + boundary + "\r\nContent-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + cut(quoted_, r >> 8, 800 + (r >> 20) % 6000) +
           "\r\n--" + boundary + "\r\nContent-Type: text/html;\r\n\tcharset=\"iso-8859-1\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 "
           "Transitional//EN\">\r\n<HTML><HEAD></HEAD>\r\n<BODY bgColor=3D#ffffff>\r\n" +
           cut(html_, r >> 9, 1500 + (r >> 20) % 9000) + "</BODY></HTML>\r\n\r\n--" + boundary + "--\r\n";
  }

  // A base64 attachment of 8 to 420 KB, small ones more often than large.
  std::string attachment(const std::string& boundary, std::uint64_t r) const {
    static const char* const types[][2] = {{"application/pdf", "report.pdf"}, {"image/jpeg", "photo.jpg"},
                                           {"application/msword", "letter.doc"},
                                           {"application/vnd.ms-excel", "figures.xls"}};
    const auto* type = types[r % 4];
    const std::size_t spread = (r >> 8) % 1000;
    const std::size_t bytes = 8000 + spread * spread * 412 / 1000;
    return "\r\n--" + boundary + "\r\nContent-Type: " + type[0] + ";\r\n\tname=\"" + type[1] +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" +
           type[1] + "\"\r\n\r\n" + cut(base64_, r >> 20, bytes * 4 / 3);
  }

  std::string text_, quoted_, html_, base64_;
};

}  // namespace qm::bench
