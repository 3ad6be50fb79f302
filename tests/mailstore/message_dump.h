// A message model as "key: value" lines, the form the corpus expectations are written in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mailstore/message.h"

namespace qm::test {

using DumpLines = std::vector<std::pair<std::string, std::string>>;

// Keys: subject, subject-prefix, from, sender, to, cc, bcc, reply-to, date, received,
// message-id, in-reply-to, references, importance, priority, charsets, text, html,
// attachment, attachment-text, and the same prefixed with "embedded-" for embedded mails.
// Text values escape CR, LF, tab and backslash.
DumpLines dumpMessage(const mail::Message& message);

std::string escapeText(const std::string& utf8);
std::string isoTime(mail::UnixTime t);
std::string utf8(const std::u16string& text);

// Checks the dump against an expectation file: for every key the file names, the dump's
// lines of that key must be exactly the file's lines of that key, in order. Lines starting
// with '#' are comments. Returns the differences, empty when there are none.
std::string compareWithExpectation(const DumpLines& dump, const std::string& expectationText);

}  // namespace qm::test
