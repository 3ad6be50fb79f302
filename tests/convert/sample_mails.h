// Mails of the kinds a mailbox holds, as Internet message text, for the conversion tests of
// the kinds that import each mail.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qm::convert::test {

// Base64 in lines of 76 characters, and pseudo-random bytes from a seed.
std::string base64(const std::string& bytes);
std::string binary(std::size_t size, unsigned seed);

// Encoded headers, alternatives, an attachment of `attachmentSize` bytes, a forwarded mail.
std::vector<std::string> mailboxMails(std::size_t attachmentSize);
// `count` mails with one binary attachment of `size` bytes each.
std::vector<std::string> attachmentMails(int count, std::size_t size);

}  // namespace qm::convert::test
