// Reads an Outlook message file back and checks it against MS-OXMSG: the named-property
// storage and its three streams, each level's property stream header, its recipient and
// attachment counts against their storages, and every variable-size entry against its
// stream. Survives any bytes; embedded messages are followed to a bounded depth.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace qm::msg {

// One level of a message file as read: its properties by tag (fixed values as their 8
// bytes, variable ones as their stream), its recipients, attachments and embedded message.
struct ReadObject {
  std::map<std::uint32_t, std::vector<std::uint8_t>> props;
  std::vector<ReadObject> recipients;
  std::vector<ReadObject> attachments;
  std::vector<ReadObject> embedded;  // at most one: an attachment's message
};

// The faults found go into `problems`; true when there are none. `read`, when given,
// receives the message. `balancedTrees`: see cfb::CompoundFile::read.
bool checkMessageFile(Bytes file, std::vector<std::string>& problems, ReadObject* read = nullptr,
                      bool balancedTrees = false);

}  // namespace qm::msg
