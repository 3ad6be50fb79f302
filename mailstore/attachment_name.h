// The file name an attachment is saved under. Names come from mail and are used by callers
// as they stand, so they are made safe here: no folder parts, no characters that Windows or
// POSIX file names cannot hold, no device names, a bounded length, never empty.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mailstore/message.h"

namespace qm::mail {

// `position` is the attachment's 1-based place among the mail's attachments; made-up names
// carry it ("ATT00002.jpg").
std::u16string safeAttachmentFileName(const Attachment& attachment, std::size_t position);

// Text made safe as one file-name component (folder separators replaced like every other
// forbidden character); empty when nothing usable is left of it.
std::u16string safeFileNameComponent(std::u16string_view name);

// `name` or, when a name equal to it but for the letter case of ASCII letters is among
// `used` already (file systems that ignore case would take them for one file), the first
// free of "stem (2).ext", "stem (3).ext" and so on. The result joins `used`.
std::u16string distinctFileName(const std::u16string& name, std::vector<std::u16string>& used);

// The names a mail's attachments are saved under, in order: each made safe, and later
// attachments of a name already taken numbered, so that none overwrites another.
std::vector<std::u16string> attachmentFileNames(const Message& message);

}  // namespace qm::mail
