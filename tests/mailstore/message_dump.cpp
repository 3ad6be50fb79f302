#include "tests/mailstore/message_dump.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "mailstore/mime/mail_date.h"
#include "platform/charset.h"

namespace qm::test {

std::string utf8(const std::u16string& text) { return platform::utf16ToUtf8(text); }

std::string escapeText(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

std::string isoTime(mail::UnixTime t) {
  std::int64_t days = t / 86400, secs = t % 86400;
  if (secs < 0) secs += 86400, --days;
  // civil_from_days (Howard Hinnant).
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return buf;
}

namespace {

std::string address(const mail::Address& a) {
  if (a.displayName.empty()) return "<" + a.address + ">";
  return utf8(a.displayName) + " <" + a.address + ">";
}

// The first bytes of an attachment, bytes outside ASCII as \xNN.
std::string preview(const std::vector<std::uint8_t>& data) {
  const std::size_t n = data.size() < 60 ? data.size() : 60;
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (data[i] >= 0x80) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", data[i]);
      out += buf;
    } else {
      out += escapeText(std::string(1, static_cast<char>(data[i])));
    }
  }
  return out;
}

void dumpInto(const mail::Message& m, const std::string& prefix, DumpLines& out) {
  auto add = [&](const std::string& key, const std::string& value) { out.emplace_back(prefix + key, value); };
  add("subject", utf8(m.subject));
  std::string quotedPrefix = "\"";
  quotedPrefix += utf8(m.subjectPrefix);
  quotedPrefix += '"';
  add("subject-prefix", quotedPrefix);
  add("from", address(m.from));
  add("sender", address(m.sender));
  for (const mail::Recipient& r : m.recipients) {
    add(r.kind == mail::RecipientKind::To ? "to" : r.kind == mail::RecipientKind::Cc ? "cc" : "bcc",
        address(r.address));
  }
  for (const mail::Address& a : m.replyTo) add("reply-to", address(a));
  add("date", m.sentTime ? isoTime(*m.sentTime) : "none");
  add("received", m.receivedTime ? isoTime(*m.receivedTime) : "none");
  add("message-id", m.messageId);
  add("in-reply-to", m.inReplyTo);
  add("references", m.references);
  add("importance", m.importance == mail::Importance::High  ? "high"
                    : m.importance == mail::Importance::Low ? "low"
                                                            : "normal");
  add("priority", std::to_string(m.priority));
  std::string charsets;
  for (const std::string& c : m.charsets) charsets += (charsets.empty() ? "" : ",") + c;
  add("charsets", charsets);
  add("text", m.textBody ? escapeText(utf8(*m.textBody)) : "(none)");
  add("html", m.htmlBody ? escapeText(utf8(*m.htmlBody)) : "(none)");
  for (const mail::Attachment& a : m.attachments) {
    std::string line = utf8(a.fileName) + " | " + a.mimeType + " | ";
    if (a.embedded) {
      line += "embedded";
    } else {
      line += std::to_string(a.data.size()) + " bytes";
    }
    if (a.isInline) line += " | inline";
    if (!a.contentId.empty()) line += " | cid:" + a.contentId;
    add("attachment", line);
    if (a.embedded) {
      dumpInto(*a.embedded, prefix + "embedded-", out);
    } else {
      add("attachment-text", preview(a.data));
    }
  }
}

}  // namespace

DumpLines dumpMessage(const mail::Message& message) {
  DumpLines out;
  dumpInto(message, "", out);
  return out;
}

std::string compareWithExpectation(const DumpLines& dump, const std::string& expectationText) {
  std::map<std::string, std::vector<std::string>> expected;
  std::vector<std::string> keys;
  std::istringstream in(expectationText);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(": ");
    const std::string key = colon == std::string::npos ? line.substr(0, line.size() - 1) : line.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
    if (!expected.count(key)) keys.push_back(key);
    expected[key].push_back(value);
  }
  std::string differences;
  for (const std::string& key : keys) {
    std::vector<std::string> actual;
    for (const auto& [k, v] : dump) {
      if (k == key) actual.push_back(v);
    }
    if (actual == expected[key]) continue;
    differences += key + ":\n  expected:";
    for (const std::string& v : expected[key]) differences += "\n    " + v;
    differences += "\n  actual:";
    for (const std::string& v : actual) differences += "\n    " + v;
    differences += "\n";
  }
  return differences;
}

}  // namespace qm::test
