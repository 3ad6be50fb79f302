// A mail as MAPI properties (MS-OXCMSG, MS-OXOMSG): the one mapping the personal folder
// file and the message file writers share, so that a property added is written by both.
// What only one container needs (sizes, node ids, stream layout) each writer adds itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mailstore/mapi/prop_value.h"
#include "mailstore/message.h"

namespace qm::mapi {

// MS-OXCMSG 2.2.1.6 message flags.
inline constexpr std::uint32_t kMsgFlagRead = 0x1, kMsgFlagUnsent = 0x8, kMsgFlagHasAttach = 0x10;
// MS-OXOFLAG 2.2.1.1 flag status and 2.2.1.2 follow-up icon of a flagged mail.
inline constexpr std::uint32_t kFlagStatusFlagged = 2, kFollowupIconRed = 6;
// MS-OXCMSG 2.2.2.9 attachment methods.
inline constexpr std::uint32_t kAttachByValue = 1, kAttachEmbeddedMsg = 5;

// The properties of the message object itself: class, subject and topic, sender and the
// one sent for, display lists, times, importance, bodies, Internet headers. `now` is the
// FILETIME of the conversion.
PropList messageProperties(const mail::Message& m, std::uint64_t now);
// PidTagMessageFlags for a received (read) mail or an unsent draft.
std::uint32_t messageFlags(bool received, bool hasAttachments);
// One row of the recipient table.
PropList recipientProperties(const mail::Recipient& r);
// The attachment object's properties, its data left out (the writers store it their way).
PropList attachmentProperties(const mail::Attachment& a, std::uint64_t now);
// PidTagAttachSize: the bytes of every property value of the attachment (fixed values at
// their size, variable ones at their length), the size itself included; `extraBytes` for
// values held outside the list (the data, an embedded message).
std::uint32_t attachmentSize(const PropList& props, std::uint64_t extraBytes);

// Search key of an SMTP address: "SMTP:" + the address in capitals + NUL.
std::vector<std::uint8_t> smtpSearchKey(const std::string& address);

}  // namespace qm::mapi
