#include "tests/mailstore/pst/pst_test_mails.h"

#include <cstdio>
#include <ctime>

#include "mailstore/pst/messaging/text.h"
#include "tests/support/files.h"

namespace qm::test {
namespace {

std::string utf8(const std::u16string& s) { return pst::toUtf8(s); }

// RFC 2047 encoded word for header text that is not plain ASCII.
std::string headerText(const std::u16string& s) {
  const std::string u = utf8(s);
  bool ascii = true;
  for (unsigned char c : u) ascii = ascii && c < 0x80;
  if (ascii) return u;
  static const char* b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out = "=?UTF-8?B?";
  for (std::size_t i = 0; i < u.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(u[i]) << 16;
    if (i + 1 < u.size()) v |= static_cast<unsigned char>(u[i + 1]) << 8;
    if (i + 2 < u.size()) v |= static_cast<unsigned char>(u[i + 2]);
    out += b64[(v >> 18) & 63];
    out += b64[(v >> 12) & 63];
    out += i + 1 < u.size() ? b64[(v >> 6) & 63] : '=';
    out += i + 2 < u.size() ? b64[v & 63] : '=';
  }
  return out + "?=";
}

std::string addressHeader(const mail::Address& a) {
  if (a.displayName.empty()) return a.address;
  std::string out(1, '"');
  out.append(headerText(a.displayName)).append("\" <").append(a.address).append(">");
  return out;
}

std::string rfcDate(mail::UnixTime t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
#ifdef _WIN32
  gmtime_s(&tm, &tt);
#else
  gmtime_r(&tt, &tm);
#endif
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S +0000", &tm);
  return buf;
}

}  // namespace

std::string json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else out += static_cast<char>(c);
  }
  return out + "\"";
}

namespace {

// An address as readers show it: its display name, or the address when it has none.
std::string shownName(const mail::Address& a) {
  return a.displayName.empty() ? a.address : utf8(a.displayName);
}

}  // namespace

std::string mailJson(const mail::Message& m, const std::string& work, int& files) {
  static const char* kinds[] = {"", "to", "cc", "bcc"};
  std::string out = "{\"subject\":" + json(utf8(m.subject));
  // The Sender: header is the sender, From: the one the mail was sent for.
  const mail::Address& sender = m.sender.address.empty() ? m.from : m.sender;
  out += ",\"sender_name\":" + json(shownName(sender));
  out += ",\"sender_email\":" + json(sender.address);
  out += ",\"from_name\":" + json(shownName(m.from));
  out += ",\"from_email\":" + json(m.from.address);
  out += ",\"date\":" + (m.sentTime ? std::to_string(*m.sentTime) : std::string("null"));
  out += ",\"body\":" + json(m.textBody ? utf8(*m.textBody) : std::string());
  out += ",\"headers\":" + std::string(m.transportHeaders.empty() ? "false" : "true");
  out += ",\"recipients\":[";
  for (std::size_t i = 0; i < m.recipients.size(); ++i) {
    const auto& r = m.recipients[i];
    out += (i ? "," : "") + std::string("[\"") + kinds[static_cast<int>(r.kind)] + "\"," + json(utf8(r.address.displayName)) +
           "," + json(r.address.address) + "]";
  }
  out += "],\"attachments\":[";
  for (std::size_t i = 0; i < m.attachments.size(); ++i) {
    const auto& a = m.attachments[i];
    out += i ? "," : "";
    if (a.embedded) {
      out += "{\"embedded\":" + mailJson(*a.embedded, work, files) + "}";
    } else {
      const std::string name = "attachment-" + std::to_string(++files);
      writeFile(work + "/" + name, a.data);
      out += "{\"name\":" + json(utf8(a.fileName)) + ",\"file\":" + json(name) + "}";
    }
  }
  return out + "]}";
}

mail::Message makeMail(const MailFields& fields) {
  mail::Message m;
  m.subject = fields.subject;
  m.subjectPrefix = fields.prefix;
  m.from = fields.from;
  m.sender = fields.from;
  m.recipients = fields.recipients;
  m.sentTime = fields.sent;
  m.receivedTime = fields.sent ? std::optional<mail::UnixTime>(*fields.sent + 60) : std::nullopt;
  m.textBody = fields.text;
  m.htmlBody = fields.html;
  m.messageId = "<" + std::to_string(std::hash<std::string>{}(utf8(fields.subject))) + "@example.com>";
  if (fields.headers) {
    std::string h = "From: " + addressHeader(fields.from) + "\r\n";
    std::string to, cc;
    for (const auto& r : fields.recipients) {
      std::string& line = r.kind == mail::RecipientKind::To ? to : cc;
      if (r.kind == mail::RecipientKind::Bcc) continue;
      line += (line.empty() ? "" : ", ") + addressHeader(r.address);
    }
    if (!to.empty()) h += "To: " + to + "\r\n";
    if (!cc.empty()) h += "Cc: " + cc + "\r\n";
    h += "Subject: " + headerText(fields.subject) + "\r\n";
    if (fields.sent) h += "Date: " + rfcDate(*fields.sent) + "\r\n";
    h += "Message-ID: " + m.messageId + "\r\nMIME-Version: 1.0\r\n";
    m.transportHeaders = h;
  }
  return m;
}

mail::Attachment makeAttachment(const std::u16string& name, std::size_t size, std::uint8_t seed,
                                const std::string& mimeType) {
  mail::Attachment a;
  a.fileName = name;
  a.mimeType = mimeType;
  a.data.resize(size);
  std::uint32_t x = 2463534242u + seed;
  for (auto& b : a.data) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return a;
}

mail::Attachment makeEmbedded(mail::Message inner) {
  mail::Attachment a;
  a.mimeType = "message/rfc822";
  a.embedded = std::make_shared<mail::Message>(std::move(inner));
  return a;
}

ReadBack readBack(const std::string& pstPath, const std::string& storeName, const ExpectedStore& folders,
                  const std::string& work) {
  ReadBack result;
#ifdef _WIN32
  (void)pstPath, (void)storeName, (void)folders, (void)work;
  return result;
#else
  int files = 0;
  std::string out = "{\"store\":" + json(storeName) + ",\"folders\":{";
  bool first = true;
  for (const auto& [path, mails] : folders) {
    out += (first ? "" : ",") + json(path) + ":[";
    first = false;
    for (std::size_t i = 0; i < mails.size(); ++i) out += (i ? "," : "") + mailJson(*mails[i], work, files);
    out += "]";
  }
  out += "}}";
  writeFile(work + "/expected.json", out);
  const std::string script = std::string(QM_SOURCE_DIR) + "/tests/mailstore/pst/read_back.py";
  const std::string cmd = "python3 '" + script + "' '" + work + "/expected.json' '" + pstPath + "' '" + work + "' > '" +
                          work + "/read_back.txt' 2>&1";
  result.ran = true;
  result.status = std::system(cmd.c_str());
  result.output = readFile(work + "/read_back.txt");
  return result;
#endif
}

}  // namespace qm::test
