#include "mailstore/rtf/rtf_mail.h"

#include <cstdio>
#include <string_view>

#include "mailstore/attachment_name.h"
#include "mailstore/rtf/html_to_rtf.h"
#include "mailstore/rtf/rtf_text.h"
#include "mailstore/whole_file.h"
#include "platform/clock.h"

namespace qm::mail::rtf {

namespace {

// The document's group is opened before this. Windows-1252 text, English defaults; font 0 proportional for everything, font 1 fixed;
// colour 1 black, colour 2 the blue of links.
constexpr std::string_view kProlog =
    "\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}\r\n"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red5\\green99\\blue193;}\r\n"
    "\\viewkind4\\uc1";

constexpr long kLabelWidth = 1800;  // twips: room for "Attachments:" in bold

std::u16string ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string addressText(const Address& a) {
  if (a.displayName.empty()) return ascii(a.address);
  if (a.address.empty() || ascii(a.address) == a.displayName) return a.displayName;
  return a.displayName + u" <" + ascii(a.address) + u">";
}

std::u16string recipientsText(const Message& m, RecipientKind kind) {
  std::u16string out;
  for (const Recipient& r : m.recipients) {
    if (r.kind != kind) continue;
    if (!out.empty()) out += u"; ";
    out += addressText(r.address);
  }
  return out;
}

// "Wednesday, April 14, 2004 9:12 AM", in local time.
std::u16string sentText(UnixTime time) {
  static constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                            "July",    "August",   "September", "October", "November", "December"};
  const std::optional<platform::CalendarTime> t = platform::localCalendarTime(time);
  if (!t || t->weekday < 0 || t->weekday > 6 || t->month < 1 || t->month > 12) return {};
  const int hour12 = t->hour % 12 == 0 ? 12 : t->hour % 12;
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%s, %s %d, %d %d:%02d %s", kDays[t->weekday], kMonths[t->month - 1], t->day,
                t->year, hour12, t->minute, t->hour < 12 ? "AM" : "PM");
  return ascii(buffer);
}

// The names the attachments are saved under beside the document.
std::u16string attachmentsText(const Message& m) {
  std::u16string out;
  for (const std::u16string& name : attachmentFileNames(m)) {
    if (!out.empty()) out += u"; ";
    out += name;
  }
  return out;
}

void headerLine(RtfText& out, std::string_view label, std::u16string_view value) {
  out.open();
  out.control("b");
  out.text(ascii(label));
  out.close();
  out.control("tab");
  out.text(value);  // header values are one line: a line end in them is dropped
  out.control("par");
  out.raw("\r\n");
}

void headerBlock(RtfText& out, const Message& m) {
  out.control("pard");
  out.control("tx", kLabelWidth);
  out.control("li", kLabelWidth);
  out.control("fi", -kLabelWidth);
  headerLine(out, "From:", addressText(m.from));
  if (m.sentTime) {
    const std::u16string sent = sentText(*m.sentTime);
    if (!sent.empty()) headerLine(out, "Sent:", sent);
  }
  const std::u16string to = recipientsText(m, RecipientKind::To);
  if (!to.empty()) headerLine(out, "To:", to);
  const std::u16string cc = recipientsText(m, RecipientKind::Cc);
  if (!cc.empty()) headerLine(out, "Cc:", cc);
  headerLine(out, "Subject:", m.subject);
  if (!m.attachments.empty()) headerLine(out, "Attachments:", attachmentsText(m));
  out.control("pard");
  out.control("par");
  out.raw("\r\n");
}

}  // namespace

std::string renderMailRtf(const Message& message) {
  RtfText out;
  const std::size_t bodySize = message.textBody ? message.textBody->size()
                               : message.htmlBody ? message.htmlBody->size()
                                                  : 0;
  out.reserve(1024 + bodySize + bodySize / 8);
  out.open();
  out.raw(kProlog);
  out.control("pard");
  out.control("f", 0);
  out.control("fs", 20);
  headerBlock(out, message);
  // The plain text as it stands; the HTML when there is no text, or only white space.
  const bool hasText = message.textBody && message.textBody->find_first_not_of(u" \t\r\n") != std::u16string::npos;
  if (message.htmlBody && !hasText) renderHtml(*message.htmlBody, out);
  else if (message.textBody) out.lines(*message.textBody);
  out.control("par");
  out.raw("\r\n");
  std::string document = out.finish();
  return document;
}

void RtfMailWriter::write(const Message& message, bool, const std::string& utf8Path) const {
  const std::string document = renderMailRtf(message);
  writeWholeFile(utf8Path, document.data(), document.size());
}

}  // namespace qm::mail::rtf
