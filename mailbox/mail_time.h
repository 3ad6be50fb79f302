// The time a mail is filed under in an output that has no field for it: the .eml file's
// modification time and the mbox separator line's date.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mailbox/store_index.h"

namespace qm::mailbox {

// The Date: header of a mail's text, read from its header block.
std::optional<mail::UnixTime> dateHeaderTime(std::string_view mailText);

// The received time the index keeps, else the Date: the index keeps, else the Date: header
// of the text.
std::optional<mail::UnixTime> filingTime(const MailState& state, std::string_view mailText);

// Sets a file's modification time; false when the system refuses.
bool setModificationTime(const std::string& path, mail::UnixTime time);

// The text of a mail file, at most `limit` bytes of it; nothing when it cannot be read.
std::optional<std::string> readMailText(const std::string& path, std::size_t limit = SIZE_MAX);

// "Thu Jan  1 00:00:00 1970": the date of an mbox separator line, in UTC.
std::string asctimeText(mail::UnixTime time);

}  // namespace qm::mailbox
