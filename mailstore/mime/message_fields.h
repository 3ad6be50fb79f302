// The fields of a message's own header: subject and its prefix, addresses, dates,
// identifiers, importance and priority, the transport headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mailstore/message.h"
#include "mailstore/mime/header_block.h"
#include "mailstore/mime/header_text.h"

namespace qm::mail::mime {

void readMessageFields(const HeaderBlock& header, Message& message, CharsetLog& log);

// The subject prefix as MAPI computes it for PidTagSubjectPrefix (MS-OXCMAIL 2.2.3.2.6.1):
// one to three characters, none of them a colon, blank, digit or punctuation mark,
// followed by a colon and a blank. The prefix returned includes the colon and the blank
// and stands at the start of the subject, so the topic is what follows it.
std::u16string subjectPrefixOf(std::u16string_view subject);

// Importance from Importance, X-MSMail-Priority, X-Priority and, last, Priority.
Importance importanceOf(const HeaderBlock& header);
// PidTagPriority from the Priority header: urgent 1, non-urgent -1, otherwise 0.
int priorityOf(const HeaderBlock& header);

// The date of a Received field: what follows its last semicolon.
std::optional<UnixTime> receivedDate(std::string_view unfoldedReceived);

}  // namespace qm::mail::mime
