// Reads an Internet message (RFC 5322 with MIME, RFC 2045 to 2049) into the message model.
//
// Standards followed: RFC 5322 (with the obsolete syntax of its section 4), RFC 2045,
// 2046, 2047 and 2231, RFC 2183 (Content-Disposition), RFC 2387 (multipart/related),
// RFC 1847 (multipart/signed), RFC 3462 (multipart/report), RFC 2152 (UTF-7).
//
// Any bytes are read as well as they can be: nothing throws (std::bad_alloc aside),
// nesting is cut off at a fixed depth and a message holds at most a fixed number of body
// parts, so memory stays within a small multiple of the input's size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "mailstore/message.h"
#include "platform/bytes.h"

namespace qm::mail {

struct MimeLimits {
  // Multiparts and embedded messages inside one another; deeper ones are kept as plain
  // attachments holding their bytes.
  static constexpr int kMaxDepth = 24;
  // Body parts of one message, embedded messages included; past it the last part holds the
  // rest of its multipart's body.
  static constexpr std::size_t kMaxParts = 10000;
};

Message readMimeMessage(std::string_view bytes);
Message readMimeMessage(Bytes bytes);

// Reads an .eml file; none when the file cannot be read.
std::optional<Message> readMimeFile(const std::string& utf8Path);

}  // namespace qm::mail
