#include "mailstore/pst/ltp/subnodes.h"

namespace qm::pst {

Nid Subnodes::addStream(std::span<const std::uint8_t> data) {
  const Nid nid = nextNid(kNidLtp);
  add({nid, writeDataTree(ndb_, data, owned_), 0}, data.size());
  return nid;
}

void Subnodes::add(const SubnodeEntry& entry, std::uint64_t streamBytes) {
  entries_.push_back(entry);
  bytes_ += streamBytes;
}

Bid Subnodes::writeTree() { return writeSubnodeTree(ndb_, entries_, owned_); }

}  // namespace qm::pst
