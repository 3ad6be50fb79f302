// Table contexts (MS-PST 2.3.4): a row index BTH, the TCINFO with its column descriptions,
// and the row matrix on the heap or, when larger than one heap item, in a subnode.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "mailstore/pst/ltp/prop_value.h"
#include "mailstore/pst/ltp/subnodes.h"

namespace qm::pst {

// Columns in their layout order (the order of their cell bits); the first two must be the
// row id and row version.
struct TableSchema {
  std::vector<std::uint32_t> tags;
};

struct TableRow {
  std::uint32_t rowId = 0;
  PropList cells;  // the row version is added here
};

// A node's data tree and the bytes of its data stream.
struct NodeData {
  Bid bid = 0;
  std::uint64_t bytes = 0;
};

// Writes a table node: rows come from `rowAt(i)` for i below rowCount. Large cells and a
// large row matrix become subnodes of `subnodes`.
NodeData writeTable(const TableSchema& schema, std::size_t rowCount, const std::function<TableRow(std::size_t)>& rowAt,
               Subnodes& subnodes);

}  // namespace qm::pst
