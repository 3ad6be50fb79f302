#include "mailstore/mapi/mail_props.h"

#include <algorithm>
#include <cctype>

#include "mailstore/mapi/tags.h"
#include "mailstore/mapi/text.h"
#include "platform/bytes.h"

namespace qm::mapi {
namespace {

// The one-off entry identifier's provider (MS-OXCDATA 2.2.5.1).
constexpr std::uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                              0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

std::u16string displayOf(const mail::Address& a) {
  return a.displayName.empty() ? widenHeaderText(a.address) : a.displayName;
}

bool present(const mail::Address& a) { return !a.address.empty() || !a.displayName.empty(); }

std::vector<std::uint8_t> oneOffEntryId(const mail::Address& a) {
  ByteWriter w;
  w.le32(0);
  w.bytes(kOneOffProvider);
  w.le16(0);
  w.le16(0x8001);  // Unicode strings, no rich text
  auto str = [&w](std::u16string_view s) {
    for (char16_t c : s) w.le16(c);
    w.le16(0);
  };
  str(displayOf(a));
  str(u"SMTP");
  str(widenHeaderText(a.address));
  return w.take();
}

std::u16string joinNames(const mail::Message& m, mail::RecipientKind kind) {
  std::u16string out;
  for (const auto& r : m.recipients) {
    if (r.kind != kind) continue;
    if (!out.empty()) out += u"; ";
    out += displayOf(r.address);
  }
  return out;
}

std::u16string extensionOf(const std::u16string& name) {
  const auto dot = name.find_last_of(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot);
}

}  // namespace

std::vector<std::uint8_t> smtpSearchKey(const std::string& address) {
  std::string key = "SMTP:";
  for (char c : address) key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  std::vector<std::uint8_t> out(key.begin(), key.end());
  out.push_back(0);
  return out;
}

PropList messageProperties(const mail::Message& m, std::uint64_t now) {
  PropList p;
  p.push_back(propAscii(tags::MessageClass, "IPM.Note"));
  if (!m.subject.empty()) {
    std::u16string prefix = m.subjectPrefix;
    if (prefix.size() > m.subject.size() || m.subject.compare(0, prefix.size(), prefix) != 0) prefix.clear();
    p.push_back(propString(tags::Subject, m.subject));
    p.push_back(propString(tags::SubjectPrefix, prefix));
    p.push_back(propString(tags::NormalizedSubject, m.subject.substr(prefix.size())));
    p.push_back(propString(tags::ConversationTopic, m.subject.substr(prefix.size())));
  }
  const mail::Address& from = present(m.from) ? m.from : m.sender;
  const mail::Address& sender = present(m.sender) ? m.sender : from;
  if (present(from)) {
    p.push_back(propString(tags::SentRepresentingName, displayOf(from)));
    p.push_back(propString(tags::SentRepresentingAddressType, u"SMTP"));
    p.push_back(propString(tags::SentRepresentingEmailAddress, widenHeaderText(from.address)));
    p.push_back(propBinary(tags::SentRepresentingSearchKey, smtpSearchKey(from.address)));
  }
  if (present(sender)) {
    p.push_back(propString(tags::SenderName, displayOf(sender)));
    p.push_back(propString(tags::SenderAddressType, u"SMTP"));
    p.push_back(propString(tags::SenderEmailAddress, widenHeaderText(sender.address)));
    p.push_back(propBinary(tags::SenderSearchKey, smtpSearchKey(sender.address)));
  }
  p.push_back(propString(tags::DisplayTo, joinNames(m, mail::RecipientKind::To)));
  p.push_back(propString(tags::DisplayCc, joinNames(m, mail::RecipientKind::Cc)));
  p.push_back(propString(tags::DisplayBcc, joinNames(m, mail::RecipientKind::Bcc)));
  if (m.sentTime) p.push_back(propInt64(tags::ClientSubmitTime, toFileTime(*m.sentTime)));
  // Delivered when the newest Received: line says, else when it was sent.
  if (m.receivedTime) p.push_back(propInt64(tags::MessageDeliveryTime, toFileTime(*m.receivedTime)));
  else if (m.sentTime) p.push_back(propInt64(tags::MessageDeliveryTime, toFileTime(*m.sentTime)));
  p.push_back(propInt64(tags::CreationTime, now));
  p.push_back(propInt64(tags::LastModificationTime, now));
  p.push_back(propInt32(tags::Importance, static_cast<std::uint32_t>(m.importance)));
  p.push_back(propInt32(tags::Priority, static_cast<std::uint32_t>(m.priority)));
  if (m.flagged) {
    // MS-OXOFLAG 2.2.1.1 and 2.2.1.2: flagged for follow-up, with the red flag.
    p.push_back(propInt32(tags::FlagStatus, kFlagStatusFlagged));
    p.push_back(propInt32(tags::FollowupIcon, kFollowupIconRed));
  }
  if (m.textBody) p.push_back(propString(tags::Body, *m.textBody));
  if (m.htmlBody) {
    const std::string html = toUtf8(*m.htmlBody);
    p.push_back(propBinary(tags::Html, asBytes(html)));
    p.push_back(propInt32(tags::InternetCodepage, 65001));
  }
  if (!m.transportHeaders.empty())
    p.push_back(propString(tags::TransportMessageHeaders, widenHeaderText(m.transportHeaders)));
  if (!m.messageId.empty()) p.push_back(propString(tags::InternetMessageId, widenHeaderText(m.messageId)));
  if (!m.inReplyTo.empty()) p.push_back(propString(tags::InReplyToId, widenHeaderText(m.inReplyTo)));
  if (!m.references.empty()) p.push_back(propString(tags::InternetReferences, widenHeaderText(m.references)));
  return p;
}

std::uint32_t messageFlags(bool received, bool hasAttachments) {
  std::uint32_t flags = received ? kMsgFlagRead : (kMsgFlagRead | kMsgFlagUnsent);
  if (hasAttachments) flags |= kMsgFlagHasAttach;
  return flags;
}

PropList recipientProperties(const mail::Recipient& r) {
  PropList p;
  p.push_back(propInt32(tags::RecipientType, static_cast<std::uint32_t>(r.kind)));
  p.push_back(propBool(tags::Responsibility, false));
  p.push_back(propString(tags::AddressType, u"SMTP"));
  p.push_back(propString(tags::EmailAddress, widenHeaderText(r.address.address)));
  p.push_back(propString(tags::DisplayName, displayOf(r.address)));
  p.push_back(propBinary(tags::EntryId, oneOffEntryId(r.address)));
  p.push_back(propBinary(tags::SearchKey, smtpSearchKey(r.address.address)));
  p.push_back(propInt32(tags::ObjectType, 6));   // a mail user
  p.push_back(propInt32(tags::DisplayType, 0));  // DT_MAILUSER
  p.push_back(propBool(tags::SendRichInfo, false));
  return p;
}

PropList attachmentProperties(const mail::Attachment& a, std::uint64_t now) {
  PropList p;
  p.push_back(propInt32(tags::AttachMethod, a.embedded ? kAttachEmbeddedMsg : kAttachByValue));
  std::u16string name = a.fileName;
  if (a.embedded && name.empty()) name = a.embedded->subject;
  if (!name.empty()) {
    p.push_back(propString(tags::DisplayName, name));
    if (!a.embedded) {
      p.push_back(propString(tags::AttachFilename, name));
      p.push_back(propString(tags::AttachLongFilename, name));
      const std::u16string ext = extensionOf(name);
      if (!ext.empty()) p.push_back(propString(tags::AttachExtension, ext));
    }
  }
  if (!a.mimeType.empty()) p.push_back(propAscii(tags::AttachMimeTag, a.mimeType));
  if (!a.contentId.empty()) p.push_back(propString(tags::AttachContentId, widenHeaderText(a.contentId)));
  if (!a.contentLocation.empty())
    p.push_back(propString(tags::AttachContentLocation, widenHeaderText(a.contentLocation)));
  // Not placed in a rich-text body.
  p.push_back(propInt32(tags::RenderingPosition, 0xFFFFFFFF));
  p.push_back(propInt32(tags::AttachFlags, a.isInline && !a.contentId.empty() ? 4 : 0));
  p.push_back(propInt64(tags::CreationTime, now));
  p.push_back(propInt64(tags::LastModificationTime, now));
  p.push_back(propBool(tags::AttachmentHidden, false));
  p.push_back(propBool(tags::AttachmentContactPhoto, false));
  return p;
}

std::uint32_t attachmentSize(const PropList& props, std::uint64_t extraBytes) {
  std::uint64_t n = 4 + extraBytes;
  for (const auto& p : props)
    if (tagType(p.tag) != kPtObject) n += p.data.size();
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFF));
}

}  // namespace qm::mapi
