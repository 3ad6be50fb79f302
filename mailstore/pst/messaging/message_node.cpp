#include "mailstore/pst/messaging/message_node.h"

#include <algorithm>

#include "mailstore/mapi/mail_props.h"
#include "mailstore/pst/ltp/pc_builder.h"
#include "mailstore/pst/ltp/tc_builder.h"
#include "mailstore/pst/messaging/table_schemas.h"
#include "mailstore/pst/messaging/tags.h"
#include "mailstore/pst/messaging/text.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxHeapValue = 3580;  // larger values live in subnodes (MS-PST 2.3.3.3)

// The bytes of a mail's bodies and attachments, embedded mails included: what it adds to
// the size fields.
std::uint64_t contentBytes(const mail::Message& m) {
  std::uint64_t n = m.transportHeaders.size() + 2 * (m.textBody ? m.textBody->size() : 0) +
                    3 * (m.htmlBody ? m.htmlBody->size() : 0);
  for (const auto& a : m.attachments) n += a.embedded ? contentBytes(*a.embedded) : a.data.size();
  return n;
}

class MessageBuilder {
 public:
  MessageBuilder(NdbWriter& ndb, const MessageContext& ctx, int depth) : ndb_(ndb), ctx_(ctx), depth_(depth) {}

  MessageNode build(const mail::Message& m, bool received, Nid nid) {
    Subnodes subs(ndb_, nullptr);
    PropList props = messageProps(m, nid);
    writeRecipients(m, subs);
    std::uint64_t budget = ctx_.maxMessageBytes;
    const bool hasAttachments = writeAttachments(m, subs, budget);
    std::uint32_t flags = mapi::messageFlags(received, hasAttachments);
    // A received mail its old store kept unread stays unread.
    if (received && m.unread) flags &= ~mapi::kMsgFlagRead;
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
    PropList p = mapi::messageProperties(m, ctx_.now);
    if (const PropValue* subject = findProp(p, tags::Subject)) {
      // MS-PST 2.5.3.1.1.1: a stored subject starts with 0x01 and the prefix length plus one.
      const std::size_t prefixBytes = findProp(p, tags::SubjectPrefix)->data.size();
      std::vector<std::uint8_t> stored(4);
      storeLe16(&stored[0], 0x01);
      storeLe16(&stored[2], static_cast<std::uint16_t>(prefixBytes / 2 + 1));
      stored.insert(stored.end(), subject->data.begin(), subject->data.end());
      setProp(p, PropValue{tags::Subject, std::move(stored)});
    }
    std::vector<std::uint8_t> key(ctx_.storeUid.begin(), ctx_.storeUid.end());
    storeLe32(&key[12], nid ^ loadLe32(&key[12]));
    p.push_back(propBinary(tags::SearchKey, key));
    return p;
  }

  void writeRecipients(const mail::Message& m, Subnodes& subs) {
    // The recipient table is present even when empty.
    Subnodes own(ndb_, nullptr);
    const NodeData t = writeTable(schemas::kRecipients, m.recipients.size(), [&m](std::size_t i) {
      return TableRow{static_cast<std::uint32_t>(i + 1), mapi::recipientProperties(m.recipients[i])};
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
      PropList props = mapi::attachmentProperties(a, ctx_.now);
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
      props.push_back(propInt32(tags::AttachSize, mapi::attachmentSize(props, objectBytes + (bigData ? a.data.size() : 0))));
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
