#include "oestore/message_info.h"

#include "oestore/store_format.h"

namespace oe {

MessageInfo messageInfoOf(const IndexedRecord& r) {
  MessageInfo m;
  m.id = r.number(msg::kId);
  m.flags = r.number(msg::kFlags);
  m.sentTime = r.number64(msg::kSentTime).value_or(0);
  m.hasBodyLines = r.has(msg::kBodyLines);
  m.bodyLines = r.number(msg::kBodyLines);
  m.firstBlock = r.number(msg::kFirstBlock);
  m.normalizedSubject = r.text(msg::kNormalizedSubject);
  m.storedTime = r.number64(msg::kStoredTime).value_or(0);
  m.hasMessageId = r.has(msg::kMessageId);
  m.messageId = r.text(msg::kMessageId);
  m.subject = r.text(msg::kSubject);
  m.hasReferences = r.has(msg::kReferences);
  m.references = r.text(msg::kReferences);
  m.senderName = r.text(msg::kSenderName);
  m.senderAddress = r.text(msg::kSenderAddress);
  m.priority = r.number(msg::kPriority);
  m.textLength = r.number(msg::kTextLength);
  m.receivedTime = r.number64(msg::kReceivedTime).value_or(0);
  m.recipientNames = r.text(msg::kRecipientNames);
  m.recipientAddresses = r.text(msg::kRecipientAddresses);
  return m;
}

RecordBuilder messageRecordFields(const MessageInfo& m) {
  RecordBuilder b;
  b.number(msg::kId, m.id);
  b.number(msg::kFlags, m.flags);
  b.number64(msg::kSentTime, m.sentTime);
  if (m.hasBodyLines) b.number(msg::kBodyLines, m.bodyLines);
  b.number(msg::kFirstBlock, m.firstBlock);
  b.text(msg::kNormalizedSubject, m.normalizedSubject);
  b.number64(msg::kStoredTime, m.storedTime);
  if (m.hasMessageId) b.text(msg::kMessageId, m.messageId);
  b.text(msg::kSubject, m.subject);
  if (m.hasReferences) b.text(msg::kReferences, m.references);
  b.text(msg::kSenderName, m.senderName);
  b.text(msg::kSenderAddress, m.senderAddress);
  b.number(msg::kPriority, m.priority);
  b.number(msg::kTextLength, m.textLength);
  b.number64(msg::kReceivedTime, m.receivedTime);
  b.text(msg::kRecipientNames, m.recipientNames);
  b.text(msg::kRecipientAddresses, m.recipientAddresses);
  return b;
}

}  // namespace oe
