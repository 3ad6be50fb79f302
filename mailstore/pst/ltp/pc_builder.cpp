#include "mailstore/pst/ltp/pc_builder.h"

#include <algorithm>

#include "mailstore/pst/ltp/bth_builder.h"
#include "mailstore/pst/ltp/heap_builder.h"
#include "mailstore/pst/ltp/ltp_format.h"
#include "platform/bytes.h"

namespace qm::pst {

PcBuilder::PcBuilder(const PropList& props, Subnodes& subnodes) {
  entries_.reserve(props.size() + 1);
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

bool PcBuilder::Entry::onHeap() const {
  const std::size_t fixed = fixedSize(tagType(value.tag));
  // Empty strings and binaries have HNID 0 and no heap item, as Outlook writes them.
  return !(fixed > 0 && fixed <= 4) && !subnode && !value.data.empty();
}

std::vector<std::vector<std::uint8_t>> PcBuilder::build() const {
  HeapBuilder heap(heap::kClientPc);
  BthBuilder tree(heap, 2, 6, entries_.size());
  heap.setRoot(tree.headerHid());
  std::vector<std::uint8_t> records(entries_.size() * 8, 0);
  std::uint8_t* r = records.data();
  for (const Entry& e : entries_) {
    const PropType type = tagType(e.value.tag);
    storeLe16(r, tagId(e.value.tag));
    storeLe16(r + 2, type);
    if (e.subnode) {
      storeLe32(r + 4, e.subnode);
    } else if (e.onHeap()) {
      storeLe32(r + 4, heap.add(e.value.data));
    } else {
      std::copy(e.value.data.begin(), e.value.data.end(), r + 4);
    }
    r += 8;
  }
  tree.fill(records);
  return heap.build();
}

std::uint64_t PcBuilder::heapSize() const {
  HeapBuilder heap(heap::kClientPc);
  BthBuilder tree(heap, 2, 6, entries_.size());
  for (const Entry& e : entries_)
    if (e.onHeap()) heap.allocate(e.value.data.size());
  return heap.size();
}

Bid PcBuilder::write(NdbWriter& ndb, std::vector<Bid>* owned) const {
  return writeBlockList(ndb, build(), owned);
}

}  // namespace qm::pst
