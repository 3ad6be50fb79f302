// The subnodes a node is being built with, and the bytes of every data stream under it,
// which is what a message's size property counts (MS-PST 2.4.5, MS-OXCMSG 2.2.1.7).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mailstore/pst/ndb/data_tree.h"
#include "mailstore/pst/ndb/subnode_tree.h"

namespace qm::pst {

class Subnodes {
 public:
  Subnodes(NdbWriter& ndb, std::vector<Bid>* owned) : ndb_(ndb), owned_(owned) {}

  NdbWriter& ndb() { return ndb_; }
  std::vector<Bid>* owned() { return owned_; }

  // NIDs inside one node count up from 0x401 whatever their type, as Outlook numbers them.
  Nid nextNid(NidType type) { return makeNid(type, ++index_); }

  // Writes a value as the data of a new subnode and returns its NID.
  Nid addStream(std::span<const std::uint8_t> data);
  void add(const SubnodeEntry& entry, std::uint64_t streamBytes);

  // Writes the subnode tree; 0 when there are no subnodes.
  Bid writeTree();
  std::uint64_t streamBytes() const { return bytes_; }

 private:
  NdbWriter& ndb_;
  std::vector<Bid>* owned_;
  std::vector<SubnodeEntry> entries_;
  std::uint32_t index_ = 0x400;
  std::uint64_t bytes_ = 0;
};

}  // namespace qm::pst
