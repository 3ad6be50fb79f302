// Subnode trees (MS-PST 2.2.2.8.3.3): the nodes private to one node, such as a message's
// recipient table and attachments, in an SLBLOCK or an SIBLOCK over SLBLOCKs.
#pragma once

#include <cstdint>
#include <vector>

#include "mailstore/pst/ndb/ndb_writer.h"

namespace qm::pst {

struct SubnodeEntry {
  Nid nid = 0;
  Bid bidData = 0;
  Bid bidSub = 0;
};

// Writes the entries (sorted here by NID) and returns the top block, 0 when there are none.
Bid writeSubnodeTree(NdbWriter& ndb, std::vector<SubnodeEntry> entries, std::vector<Bid>* blocks = nullptr);

}  // namespace qm::pst
