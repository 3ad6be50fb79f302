// A mail as a message node (MS-PST 2.4.5, MS-OXCMSG): its property context, the recipient
// table, the attachment table and one subnode per attachment, embedded mails as message
// objects inside their attachment.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mailstore/message.h"
#include "mailstore/pst/ltp/prop_value.h"
#include "mailstore/pst/ltp/subnodes.h"

namespace qm::pst {

struct MessageContext {
  std::array<std::uint8_t, 16> storeUid{};
  std::uint64_t now = 0;  // FILETIME of the conversion
  // Attachments whose size would not fit the 32-bit size fields are left out; this many
  // bytes is the most one mail may hold.
  std::uint64_t maxMessageBytes = 0x7FFFF000;
  std::function<void(const std::string&)> warn;
};

struct MessageNode {
  Bid data = 0;
  Bid sub = 0;
  std::uint64_t bytes = 0;  // every data stream of the node and its subnodes
  PropList props;           // the property context as written (for the contents table row)
};

// Writes the node's blocks; the caller enters it into the node B-tree or a subnode tree.
MessageNode writeMessageNode(NdbWriter& ndb, const mail::Message& message, bool received, Nid nid,
                             const MessageContext& context, int depth = 0);

}  // namespace qm::pst
