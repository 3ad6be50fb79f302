// The message model: what a mail read from an Internet message (.eml) carries, in the form
// the store writers (PST, MSG, RTF) take it. Text is UTF-16, as MAPI stores it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm::mail {

struct Address {
  std::u16string displayName;  // decoded display name; empty when the header gave none
  std::string address;         // the address proper ("user@example.com"), as it stood
};

enum class RecipientKind { To = 1, Cc = 2, Bcc = 3 };  // values as MAPI's PidTagRecipientType

struct Recipient {
  RecipientKind kind = RecipientKind::To;
  Address address;
};

enum class Importance { Low = 0, Normal = 1, High = 2 };  // values as PidTagImportance

struct Message;

struct Attachment {
  std::u16string fileName;  // long file name, decoded; empty when the part named none
  std::string mimeType;     // "image/png"; lower case
  std::string contentId;    // without the angle brackets
  std::string contentLocation;
  bool isInline = false;    // Content-Disposition: inline, or referenced by Content-ID
  std::vector<std::uint8_t> data;     // decoded content (empty for an embedded message)
  std::shared_ptr<Message> embedded;  // message/rfc822 parts, read as messages
  // An embedded message's own bytes (.eml text) as they stood in the mail. Kept for the
  // attachments of the outermost message only, so that nesting never multiplies memory.
  std::vector<std::uint8_t> embeddedSource;
};

// Seconds since 1970-01-01 00:00:00 UTC.
using UnixTime = std::int64_t;

struct Message {
  std::u16string subject;        // whole decoded subject
  std::u16string subjectPrefix;  // "RE: ", "Fwd: " and the like; the rest is the topic
  Address from;
  Address sender;                // Sender: header, or From when there is none
  std::vector<Recipient> recipients;  // To, Cc and Bcc rows in header order
  std::vector<Address> replyTo;
  std::optional<UnixTime> sentTime;      // Date: header; none when missing or unusable
  std::optional<UnixTime> receivedTime;  // first Received: header's date; none when absent
  std::optional<std::u16string> textBody;  // CR LF line ends
  std::optional<std::u16string> htmlBody;  // CR LF line ends
  std::string transportHeaders;  // the top-level header block as it stood (CR LF line ends)
  std::string messageId;         // with its angle brackets, as in the header
  std::string inReplyTo;
  std::string references;
  Importance importance = Importance::Normal;
  int priority = 0;              // -1 non-urgent, 0 normal, 1 urgent (PidTagPriority)
  std::vector<std::string> charsets;  // every charset met, lower case, in order of meeting
  std::vector<Attachment> attachments;
  // Size of the Internet message the model was read from, in bytes.
  std::uint64_t sourceSize = 0;
  // The state the mail had in the store it comes from; the text does not carry it.
  bool unread = false;
  bool flagged = false;  // flagged for follow-up
};

}  // namespace qm::mail
