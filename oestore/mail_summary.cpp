#include "oestore/mail_summary.h"

#include <array>
#include <cstring>
#include <vector>

#include "mailstore/mime/header_block.h"
#include "mailstore/mime/message_fields.h"
#include "oestore/store_format.h"
#include "platform/charset.h"

namespace oe {

namespace mime = qm::mail::mime;

namespace {

// No index field needs more; a record stays far below a segment's size.
constexpr std::size_t kLongestText = 2000;

std::string capped(std::string text) {
  if (text.size() > kLongestText) text.resize(kLongestText);
  return text;
}

std::uint32_t priorityOf(qm::mail::Importance importance) {
  switch (importance) {
    case qm::mail::Importance::High: return 1;
    case qm::mail::Importance::Low: return 5;
    case qm::mail::Importance::Normal: break;
  }
  return kNormalPriority;
}

bool isMixed(const mime::HeaderBlock& header) {
  const std::string type = mime::toLower(header.value("Content-Type"));
  return type.rfind("multipart/mixed", 0) == 0;
}

}  // namespace

std::string toAnsi(std::u16string_view text) {
  static const std::array<std::pair<char16_t, char>, 32> high = [] {
    std::array<std::pair<char16_t, char>, 32> t{};
    for (int b = 0x80; b < 0xA0; ++b) t[b - 0x80] = {qm::platform::windows1252Char(static_cast<unsigned char>(b)), static_cast<char>(b)};
    return t;
  }();
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = '?';
    for (const auto& [wide, byte] : high)
      if (wide == c) mapped = byte;
    out.push_back(mapped);
  }
  return out;
}

std::uint64_t fileTimeOf(std::int64_t unixSeconds) {
  const std::int64_t ticks = static_cast<std::int64_t>(kFileTimeUnixEpoch / kTicksPerSecond) + unixSeconds;
  return ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks) * kTicksPerSecond;
}

std::string normalizedSubject(const std::string& subject) {
  if (subject.size() < 3 || (subject[0] != 'R' && subject[0] != 'r') || (subject[1] != 'E' && subject[1] != 'e') ||
      subject[2] != ':')
    return subject;
  std::size_t at = 3;
  while (at < subject.size() && (subject[at] == ' ' || subject[at] == '\t')) ++at;
  return subject.substr(at);
}

std::uint32_t bodyLineCount(std::string_view body) {
  // Line feeds counted eight bytes a step: a byte of the word XORed with the pattern is zero
  // exactly where the line feeds are.
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  std::uint64_t lines = 0;
  std::size_t at = 0;
  for (; at + 8 <= body.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, body.data() + at, 8);
    const std::uint64_t x = word ^ (kOnes * '\n');
    // High bit set in each byte of x that is zero; the bits summed by one multiplication.
    const std::uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
    lines += ((zero >> 7) * kOnes) >> 56;
  }
  for (; at < body.size(); ++at) lines += body[at] == '\n' ? 1 : 0;
  if (!body.empty() && body.back() != '\n') ++lines;
  return static_cast<std::uint32_t>(lines);
}

MessageInfo summarizeMail(std::string_view text, std::uint64_t storedTime, std::uint32_t flags) {
  const mime::HeaderBlock header = mime::HeaderBlock::parse(text, true);
  qm::mail::Message message;
  std::vector<std::string> charsets;
  mime::CharsetLog log(charsets);
  mime::readMessageFields(header, message, log);

  MessageInfo m;
  m.flags = flags | kFlagHasBody | (isMixed(header) ? kFlagAttachment : 0);
  m.storedTime = storedTime;
  m.receivedTime = message.receivedTime ? fileTimeOf(*message.receivedTime) : storedTime;
  m.sentTime = message.sentTime ? fileTimeOf(*message.sentTime) : m.receivedTime;
  m.hasBodyLines = true;
  m.bodyLines = bodyLineCount(header.body());
  m.subject = capped(toAnsi(message.subject));
  m.normalizedSubject = normalizedSubject(m.subject);
  m.hasMessageId = !message.messageId.empty();
  m.messageId = capped(message.messageId);
  m.hasReferences = !message.references.empty();
  m.references = capped(message.references);
  m.senderAddress = capped(message.from.address);
  m.senderName = message.from.displayName.empty() ? m.senderAddress : capped(toAnsi(message.from.displayName));
  m.priority = priorityOf(message.importance);
  m.textLength = static_cast<std::uint32_t>(text.size());
  std::string names, addresses;
  for (const qm::mail::Recipient& r : message.recipients) {
    if (r.kind != qm::mail::RecipientKind::To) continue;
    if (!names.empty()) names += "; ";
    names += r.address.displayName.empty() ? r.address.address : toAnsi(r.address.displayName);
    if (r.address.address.empty()) continue;
    if (!addresses.empty()) addresses += "; ";
    addresses += "<" + r.address.address + ">";
  }
  m.recipientNames = capped(std::move(names));
  m.recipientAddresses = capped(std::move(addresses));
  return m;
}

}  // namespace oe
