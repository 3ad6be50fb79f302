// What a message store's index keeps about a mail, taken from the mail's own header: dates,
// subject, sender and recipients, the identifiers, the body's line count and the flags.
// Text fields are 8-bit in the ANSI code page (windows-1252), as Outlook Express keeps them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "oestore/message_info.h"

namespace oe {

// The record fields of `text` (an Internet message). `storedTime` is the FILETIME of the run:
// the time the mail is stored, and the received time of a mail with no dated Received: line
// (and the sent time of one with neither a usable Date: nor such a line). `flags` are the
// flags the caller commits the mail with; the store adds "body present" and, for a mail of
// top-level type multipart/mixed, "has attachments". Id and first block are left 0.
MessageInfo summarizeMail(std::string_view text, std::uint64_t storedTime, std::uint32_t flags);

// "Re:" in any letter case and the blanks after it, once, off the front of a subject.
std::string normalizedSubject(const std::string& subject);
// Lines of the body after the header's empty line; a last line without a line end counts.
std::uint32_t bodyLineCount(std::string_view body);
// Seconds since 1970 to a FILETIME; times before 1601 become 0.
std::uint64_t fileTimeOf(std::int64_t unixSeconds);
// UTF-16 to windows-1252; characters it lacks become '?'.
std::string toAnsi(std::u16string_view text);

}  // namespace oe
