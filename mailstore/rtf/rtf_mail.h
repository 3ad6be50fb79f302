// A mail as a rich-text document, the way a mail program saves one: a block of header
// lines with bold labels (From, Sent in local time, To, Cc, Subject, Attachments), an empty
// line, then the body: the plain text as it stands, or the HTML rendered when the mail has
// no plain text.
#pragma once

#include <string>

#include "mailstore/component_setup.h"
#include "mailstore/message.h"

namespace qm::mail::rtf {

std::string renderMailRtf(const Message& message);

// The writer behind "save as file" in rich text.
class RtfMailWriter : public MessageFileWriter {
 public:
  void write(const Message& message, bool received, const std::string& utf8Path) const override;
};

}  // namespace qm::mail::rtf
