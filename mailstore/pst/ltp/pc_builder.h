// Property contexts (MS-PST 2.3.3): a BTH of property id to type and value on a heap, with
// values over 3,580 bytes in subnodes.
#pragma once

#include <cstdint>
#include <vector>

#include "mailstore/pst/ltp/prop_value.h"
#include "mailstore/pst/ltp/subnodes.h"

namespace qm::pst {

class PcBuilder {
 public:
  // Values too large for the heap are written to subnodes of `subnodes` at once.
  PcBuilder(const PropList& props, Subnodes& subnodes);

  // Adds a value already written as the subnode `nid` (a large attachment, streamed from
  // where it lies without a copy).
  void addSubnodeValue(std::uint32_t tag, Nid nid);
  // Replaces a fixed-size value (the size of a message, known only at the end).
  void setFixed(const PropValue& value);
  // The heap blocks; their sizes do not depend on fixed values of four bytes or less.
  std::vector<std::vector<std::uint8_t>> build() const;
  // The bytes of those blocks, found without filling them.
  std::uint64_t heapSize() const;
  // Writes the heap and returns the node's data BID.
  Bid write(NdbWriter& ndb, std::vector<Bid>* owned) const;

 private:
  struct Entry {
    PropValue value;
    Nid subnode = 0;
    // Whether the value is an item of the heap rather than held in the record itself.
    bool onHeap() const;
  };
  std::vector<Entry> entries_;
};

}  // namespace qm::pst
