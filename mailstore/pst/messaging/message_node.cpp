#include "mailstore/pst/messaging/message_node.h"

#include <algorithm>

#include "mailstore/pst/ltp/pc_builder.h"
#include "mailstore/pst/ltp/tc_builder.h"
#include "mailstore/pst/messaging/table_schemas.h"
#include "mailstore/pst/messaging/tags.h"
#include "mailstore/pst/messaging/text.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

// MS-OXCMSG 2.2.1.6 message flags.
constexpr std::uint32_t kMsgFlagRead = 0x1, kMsgFlagUnsent = 0x8, kMsgFlagHasAttach = 0x10;
constexpr std::uint32_t kFlagStatusFlagged = 2, kFollowupIconRed = 6;
constexpr std::uint32_t kAttachByValue = 1, kAttachEmbeddedMsg = 5;
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxHeapValue = 3580;  // larger values live in subnodes (MS-PST 2.3.3.3)
// The one-off entry identifier's provider (MS-OXCDATA 2.2.5.1).
constexpr std::uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                              0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

std::u16string displayOf(const mail::Address& a) {
  return a.displayName.empty() ? widenHeaderText(a.address) : a.displayName;
}

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

std::vector<std::uint8_t> smtpSearchKey(const std::string& address) {
  std::string key = "SMTP:";
  for (char c : address) key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  std::vector<std::uint8_t> out(key.begin(), key.end());
  out.push_back(0);
  return out;
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

PropList recipientRow(const mail::Recipient& r) {
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

// PidTagAttachSize: the bytes of every property value of the attachment (fixed values at
// their size, variable ones at their length), this one included.
std::uint32_t attachSize(const PropList& props, std::uint64_t objectBytes) {
  std::uint64_t n = 4;
  for (const auto& p : props) {
    if (p.tag == tags::AttachDataObject) n += objectBytes;
    else n += p.data.size();
  }
  return static_cast<std::uint32_t>(n);
}

// The bytes of a mail's bodies and attachments, embedded mails included: what it adds to
// the size fields.
std::uint64_t contentBytes(const mail::Message& m) {
  std::uint64_t n = m.transportHeaders.size() + 2 * (m.textBody ? m.textBody->size() : 0) +
                    3 * (m.htmlBody ? m.htmlBody->size() : 0);
  for (const auto& a : m.attachments) n += a.embedded ? contentBytes(*a.embedded) : a.data.size();
  return n;
}

std::u16string extensionOf(const std::u16string& name) {
  const auto dot = name.find_last_of(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot);
}

class MessageBuilder {
 public:
  MessageBuilder(NdbWriter& ndb, const MessageContext& ctx, int depth) : ndb_(ndb), ctx_(ctx), depth_(depth) {}

  MessageNode build(const mail::Message& m, bool received, Nid nid) {
    Subnodes subs(ndb_, nullptr);
    PropList props = messageProps(m, nid);
    writeRecipients(m, subs);
    std::uint64_t budget = ctx_.maxMessageBytes;
    std::uint32_t flags = received ? (m.unread ? 0 : kMsgFlagRead) : (kMsgFlagRead | kMsgFlagUnsent);
    const bool hasAttachments = writeAttachments(m, subs, budget);
    if (hasAttachments) flags |= kMsgFlagHasAttach;
    setProp(props, propInt32(tags::MessageFlags, flags));
    setProp(props, propInt32(tags::MessageSize, 0));

    PcBuilder pc(props, subs);
    MessageNode out;
    out.bytes = pc.heapSize() + subs.streamBytes();
    // MS-PST 2.4.5: the size counts the node's data and every subnode's.
    const PropValue size = propInt32(tags::MessageSize, static_cast<std::uint32_t>(std::min<std::uint64_t>(out.bytes, 0x7FFFFFFF)));
    pc.setFixed(size);
    setProp(props, size);
    out.data = pc.write(ndb_, nullptr);
    out.sub = subs.writeTree();
    out.props = std::move(props);
    return out;
  }

 private:
  PropList messageProps(const mail::Message& m, Nid nid) const {
    PropList p;
    p.push_back(propAscii(tags::MessageClass, "IPM.Note"));
    if (!m.subject.empty()) {
      std::u16string prefix = m.subjectPrefix;
      if (prefix.size() > m.subject.size() || m.subject.compare(0, prefix.size(), prefix) != 0) prefix.clear();
      // MS-PST 2.5.3.1.1.1: a subject starts with 0x01 and the prefix length plus one.
      std::u16string stored{u'\x01', static_cast<char16_t>(prefix.size() + 1)};
      p.push_back(propString(tags::Subject, stored + m.subject));
      p.push_back(propString(tags::ConversationTopic, m.subject.substr(prefix.size())));
    }
    const mail::Address& from = m.from.address.empty() && m.from.displayName.empty() ? m.sender : m.from;
    const mail::Address& sender = m.sender.address.empty() && m.sender.displayName.empty() ? from : m.sender;
    if (!from.address.empty() || !from.displayName.empty()) {
      p.push_back(propString(tags::SentRepresentingName, displayOf(from)));
      p.push_back(propString(tags::SentRepresentingAddressType, u"SMTP"));
      p.push_back(propString(tags::SentRepresentingEmailAddress, widenHeaderText(from.address)));
      p.push_back(propBinary(tags::SentRepresentingSearchKey, smtpSearchKey(from.address)));
    }
    if (!sender.address.empty() || !sender.displayName.empty()) {
      p.push_back(propString(tags::SenderName, displayOf(sender)));
      p.push_back(propString(tags::SenderAddressType, u"SMTP"));
      p.push_back(propString(tags::SenderEmailAddress, widenHeaderText(sender.address)));
      p.push_back(propBinary(tags::SenderSearchKey, smtpSearchKey(sender.address)));
    }
    p.push_back(propString(tags::DisplayTo, joinNames(m, mail::RecipientKind::To)));
    p.push_back(propString(tags::DisplayCc, joinNames(m, mail::RecipientKind::Cc)));
    p.push_back(propString(tags::DisplayBcc, joinNames(m, mail::RecipientKind::Bcc)));
    if (m.sentTime) p.push_back(propInt64(tags::ClientSubmitTime, toFileTime(*m.sentTime)));
    if (m.receivedTime) p.push_back(propInt64(tags::MessageDeliveryTime, toFileTime(*m.receivedTime)));
    p.push_back(propInt64(tags::CreationTime, ctx_.now));
    p.push_back(propInt64(tags::LastModificationTime, ctx_.now));
    std::vector<std::uint8_t> key(ctx_.storeUid.begin(), ctx_.storeUid.end());
    storeLe32(&key[12], nid ^ loadLe32(&key[12]));
    p.push_back(propBinary(tags::SearchKey, key));
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

  void writeRecipients(const mail::Message& m, Subnodes& subs) {
    // The recipient table is present even when empty.
    Subnodes own(ndb_, nullptr);
    const NodeData t = writeTable(schemas::kRecipients, m.recipients.size(), [&m](std::size_t i) {
      return TableRow{static_cast<std::uint32_t>(i + 1), recipientRow(m.recipients[i])};
    }, own);
    const std::uint64_t bytes = t.bytes + own.streamBytes();
    subs.add({kNidRecipientTableTemplate, t.bid, own.writeTree()}, bytes);
  }

  bool writeAttachments(const mail::Message& m, Subnodes& subs, std::uint64_t& budget) {
    std::vector<TableRow> rows;
    for (std::size_t i = 0; i < m.attachments.size(); ++i) {
      const mail::Attachment& a = m.attachments[i];
      if (a.embedded && depth_ >= kMaxDepth) continue;
      const std::uint64_t need = a.embedded ? contentBytes(*a.embedded) : a.data.size();
      if (need > budget) {
        if (ctx_.warn)
          ctx_.warn("attachment \"" + toUtf8(a.fileName) + "\" (" + std::to_string(a.data.size()) +
                    " bytes) is too large for a personal folder file and was left out");
        continue;
      }
      budget -= need;
      const Nid nid = subs.nextNid(kNidAttachment);
      Subnodes own(ndb_, nullptr);
      PropList props = attachmentProps(a);
      std::uint64_t objectBytes = 0;
      if (a.embedded) {
        const Nid inner = own.nextNid(kNidNormalMessage);
        MessageBuilder child(ndb_, ctx_, depth_ + 1);
        MessageNode node = child.build(*a.embedded, true, inner);
        own.add({inner, node.data, node.sub}, node.bytes);
        objectBytes = node.bytes;
        std::vector<std::uint8_t> obj(8);
        storeLe32(&obj[0], inner);
        storeLe32(&obj[4], static_cast<std::uint32_t>(node.bytes));
        props.push_back(PropValue{tags::AttachDataObject, obj});
      }
      // Attachment data goes straight from the mail into its subnode when it is large.
      const bool bigData = !a.embedded && a.data.size() > kMaxHeapValue;
      if (!a.embedded && !bigData) props.push_back(propBinary(tags::AttachDataBinary, a.data));
      props.push_back(propInt32(tags::AttachSize, attachSize(props, objectBytes) +
                                                      static_cast<std::uint32_t>(bigData ? a.data.size() : 0)));
      PcBuilder pc(props, own);
      if (bigData) pc.addSubnodeValue(tags::AttachDataBinary, own.addStream(a.data));
      const std::uint64_t bytes = own.streamBytes() + pc.heapSize();
      const Bid data = pc.write(ndb_, nullptr);
      subs.add({nid, data, own.writeTree()}, bytes);
      std::erase_if(props, [](const PropValue& v) { return v.tag == tags::AttachDataBinary; });
      rows.push_back(TableRow{nid, std::move(props)});
    }
    if (rows.empty()) return false;
    Subnodes own(ndb_, nullptr);
    const NodeData t = writeTable(schemas::kAttachments, rows.size(), [&rows](std::size_t i) { return rows[i]; }, own);
    subs.add({kNidAttachmentTableTemplate, t.bid, own.writeTree()}, t.bytes + own.streamBytes());
    return true;
  }

  PropList attachmentProps(const mail::Attachment& a) const {
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
    p.push_back(propInt64(tags::CreationTime, ctx_.now));
    p.push_back(propInt64(tags::LastModificationTime, ctx_.now));
    p.push_back(propBool(tags::AttachmentHidden, false));
    p.push_back(propBool(tags::AttachmentContactPhoto, false));
    return p;
  }

  NdbWriter& ndb_;
  const MessageContext& ctx_;
  int depth_;
};

}  // namespace

MessageNode writeMessageNode(NdbWriter& ndb, const mail::Message& message, bool received, Nid nid,
                             const MessageContext& context, int depth) {
  return MessageBuilder(ndb, context, depth).build(message, received, nid);
}

}  // namespace qm::pst
