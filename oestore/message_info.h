// The message info record: what a message store keeps about each mail in its index.
#pragma once

#include <cstdint>
#include <string>

#include "oestore/indexed_record.h"

namespace oe {

struct MessageInfo {
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint64_t sentTime = 0;      // FILETIME of the Date: header
  std::uint64_t storedTime = 0;    // FILETIME the mail was put into the store
  std::uint64_t receivedTime = 0;  // FILETIME of the newest Received: line
  bool hasBodyLines = false;
  std::uint32_t bodyLines = 0;
  std::uint32_t firstBlock = 0;    // file offset of the mail's first text block
  std::string normalizedSubject;   // the subject without one leading "Re:"
  bool hasMessageId = false;
  std::string messageId;           // with its angle brackets
  std::string subject;
  bool hasReferences = false;
  std::string references;
  std::string senderName;
  std::string senderAddress;
  std::uint32_t priority = 0;
  std::uint32_t textLength = 0;    // the mail's length; Outlook Express's own stores get it wrong
  std::string recipientNames;      // To names joined by "; "
  std::string recipientAddresses;  // To addresses, each in <>, joined by "; "
};

MessageInfo messageInfoOf(const IndexedRecord& record);
// The record's fields for `info`, in index order.
RecordBuilder messageRecordFields(const MessageInfo& info);

}  // namespace oe
