#include "mailstore/pst/ndb/subnode_tree.h"

#include <algorithm>

#include "mailstore/store_backend.h"
#include "platform/bytes.h"

namespace qm::pst {

Bid writeSubnodeTree(NdbWriter& ndb, std::vector<SubnodeEntry> entries, std::vector<Bid>* blocks) {
  if (entries.empty()) return 0;
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.nid < b.nid; });
  std::vector<std::pair<Nid, Bid>> leaves;
  for (std::size_t i = 0; i < entries.size(); i += block::kMaxSlEntries) {
    const std::size_t n = std::min(block::kMaxSlEntries, entries.size() - i);
    ByteWriter w;
    w.u8(block::kTypeSubnode);
    w.u8(0);
    w.le16(static_cast<std::uint16_t>(n));
    w.le32(0);
    for (std::size_t k = i; k < i + n; ++k) {
      w.le64(entries[k].nid);
      w.le64(entries[k].bidData);
      w.le64(entries[k].bidSub);
    }
    leaves.emplace_back(entries[i].nid, ndb.writeBlock(w.data(), true));
    if (blocks) blocks->push_back(leaves.back().second);
  }
  if (leaves.size() == 1) return leaves.front().second;
  if (leaves.size() > block::kMaxSiEntries) throw mail::StoreError("too many items in one message");
  ByteWriter w;
  w.u8(block::kTypeSubnode);
  w.u8(1);
  w.le16(static_cast<std::uint16_t>(leaves.size()));
  w.le32(0);
  for (const auto& [nid, bid] : leaves) {
    w.le64(nid);
    w.le64(bid);
  }
  const Bid top = ndb.writeBlock(w.data(), true);
  if (blocks) blocks->push_back(top);
  return top;
}

}  // namespace qm::pst
