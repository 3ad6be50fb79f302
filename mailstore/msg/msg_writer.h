// Writes a mail as an Outlook message file (MS-OXMSG), Unicode throughout: the property
// streams of the message, its recipients and attachments, variable-size values in their own
// streams, the named-property storage, attached mails as embedded messages to any depth.
#pragma once

#include <cstdint>
#include <string>

#include "mailstore/cfb/cfb_tree.h"
#include "mailstore/component_setup.h"
#include "mailstore/message.h"

namespace qm::msg {

// Lays the mail out in `tree` (a fresh one). Attachment data is referenced, not copied:
// `message` must outlive the tree. `now` is the FILETIME of the conversion.
void buildMessageFile(cfb::CfbTree& tree, const mail::Message& message, bool received, std::uint64_t now);

// Writes the file at the path, complete or not at all: the bytes go to a temporary name in
// the same folder, which takes the path's name only once they are all on disk.
void writeMessageFile(const mail::Message& message, bool received, const std::string& utf8Path);

// The component's writer for "save as file" format 3.
class MsgFileWriter : public mail::MessageFileWriter {
 public:
  void write(const mail::Message& message, bool received, const std::string& utf8Path) const override;
};

}  // namespace qm::msg
