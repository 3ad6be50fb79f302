#include "mailstore/pst/ltp/pc_builder.h"

#include <algorithm>

#include "mailstore/pst/ltp/bth_builder.h"
#include "mailstore/pst/ltp/heap_builder.h"
#include "mailstore/pst/ltp/ltp_format.h"
#include "platform/bytes.h"

namespace qm::pst {

PcBuilder::PcBuilder(const PropList& props, Subnodes& subnodes) {
  for (const PropValue& p : props) {
    if (fixedSize(tagType(p.tag)) == 0 && p.data.size() > heap::kMaxItem)
      entries_.push_back(Entry{PropValue{p.tag, {}}, subnodes.addStream(p.data)});
    else
      entries_.push_back(Entry{p, 0});
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return tagId(a.value.tag) < tagId(b.value.tag); });
}

void PcBuilder::addSubnodeValue(std::uint32_t tag, Nid nid) {
  entries_.push_back(Entry{PropValue{tag, {}}, nid});
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return tagId(a.value.tag) < tagId(b.value.tag); });
}

void PcBuilder::setFixed(const PropValue& value) {
  for (Entry& e : entries_)
    if (e.value.tag == value.tag) e.value = value;
}

std::vector<std::vector<std::uint8_t>> PcBuilder::build() const {
  HeapBuilder heap(heap::kClientPc);
  BthBuilder tree(heap, 2, 6, entries_.size());
  heap.setRoot(tree.headerHid());
  std::vector<std::vector<std::uint8_t>> records;
  for (const Entry& e : entries_) {
    std::vector<std::uint8_t> r(8, 0);
    const PropType type = tagType(e.value.tag);
    storeLe16(&r[0], tagId(e.value.tag));
    storeLe16(&r[2], type);
    const std::size_t fixed = fixedSize(type);
    if (fixed > 0 && fixed <= 4) {
      std::copy(e.value.data.begin(), e.value.data.end(), r.begin() + 4);
    } else if (e.subnode) {
      storeLe32(&r[4], e.subnode);
    } else if (!e.value.data.empty()) {
      // Empty strings and binaries have HNID 0 and no heap item, as Outlook writes them.
      storeLe32(&r[4], heap.add(e.value.data));
    }
    records.push_back(std::move(r));
  }
  tree.fill(records);
  return heap.build();
}

Bid PcBuilder::write(NdbWriter& ndb, std::vector<Bid>* owned) const {
  return writeBlockList(ndb, build(), owned);
}

}  // namespace qm::pst
