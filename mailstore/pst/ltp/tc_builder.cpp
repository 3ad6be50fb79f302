#include "mailstore/pst/ltp/tc_builder.h"

#include <algorithm>

#include "mailstore/pst/ltp/bth_builder.h"
#include "mailstore/pst/ltp/heap_builder.h"
#include "mailstore/pst/ltp/ltp_format.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

struct Column {
  std::uint32_t tag = 0;
  std::uint16_t ib = 0;
  std::uint8_t cb = 0;
  std::uint8_t bit = 0;
};

std::uint8_t cellSize(PropType type) {
  switch (type) {
    case kPtInt64:
    case kPtTime: return 8;
    case kPtInt16: return 2;
    case kPtBool: return 1;
    default: return 4;  // 32-bit values, and HNIDs of everything else
  }
}

struct Layout {
  std::vector<Column> columns;  // layout order
  std::uint16_t end4 = 0, end2 = 0, end1 = 0, rowSize = 0;
};

// MS-PST 2.3.4.4.1: 8- and 4-byte cells first, then 2-byte, then 1-byte, then the cell
// existence bits.
Layout layOut(const TableSchema& schema) {
  Layout l;
  std::uint16_t at = 0;
  for (std::size_t i = 0; i < schema.tags.size(); ++i)
    l.columns.push_back({schema.tags[i], 0, cellSize(tagType(schema.tags[i])), static_cast<std::uint8_t>(i)});
  for (auto& c : l.columns)
    if (c.cb >= 4) c.ib = at, at = static_cast<std::uint16_t>(at + c.cb);
  l.end4 = at;
  for (auto& c : l.columns)
    if (c.cb == 2) c.ib = at, at = static_cast<std::uint16_t>(at + 2);
  l.end2 = at;
  for (auto& c : l.columns)
    if (c.cb == 1) c.ib = at, at = static_cast<std::uint16_t>(at + 1);
  l.end1 = at;
  l.rowSize = static_cast<std::uint16_t>(at + (l.columns.size() + 7) / 8);
  return l;
}

std::vector<std::uint8_t> tcInfo(const Layout& l, std::uint32_t hidRowIndex, std::uint32_t hnidRows) {
  std::vector<std::uint8_t> out(tc::kInfoFixed + tc::kColDescSize * l.columns.size(), 0);
  out[0] = tc::kType;
  out[1] = static_cast<std::uint8_t>(l.columns.size());
  storeLe16(&out[2], l.end4);
  storeLe16(&out[4], l.end2);
  storeLe16(&out[6], l.end1);
  storeLe16(&out[8], l.rowSize);
  storeLe32(&out[10], hidRowIndex);
  storeLe32(&out[14], hnidRows);
  std::vector<Column> sorted = l.columns;
  std::sort(sorted.begin(), sorted.end(), [](const Column& a, const Column& b) { return a.tag < b.tag; });
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    std::uint8_t* d = &out[tc::kInfoFixed + tc::kColDescSize * i];
    storeLe32(d, sorted[i].tag);
    storeLe16(d + 4, sorted[i].ib);
    d[6] = sorted[i].cb;
    d[7] = sorted[i].bit;
  }
  return out;
}

}  // namespace

NodeData writeTable(const TableSchema& schema, std::size_t rowCount, const std::function<TableRow(std::size_t)>& rowAt,
               Subnodes& subnodes) {
  const Layout layout = layOut(schema);
  HeapBuilder heap(heap::kClientTc);
  BthBuilder index(heap, 4, 4, rowCount);
  const std::size_t infoSize = tc::kInfoFixed + tc::kColDescSize * layout.columns.size();
  const std::uint32_t infoHid = heap.allocate(infoSize);
  heap.setRoot(infoHid);

  const std::size_t matrixBytes = rowCount * layout.rowSize;
  const bool inHeap = matrixBytes > 0 && matrixBytes <= heap::kMaxItem;
  const std::uint32_t rowsHid = inHeap ? heap.allocate(matrixBytes) : 0;
  std::vector<std::uint8_t> heapRows;
  std::vector<std::uint8_t> blockRows;
  const std::size_t rowsPerBlock = heap::kBlockData / layout.rowSize;
  BlockListWriter matrix(subnodes.ndb(), subnodes.owned());

  std::vector<std::pair<std::uint32_t, std::uint32_t>> ids;  // row id, row index
  ids.reserve(rowCount);
  std::vector<std::uint8_t> bytes(layout.rowSize);
  for (std::size_t r = 0; r < rowCount; ++r) {
    TableRow row = rowAt(r);
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    std::uint8_t* ceb = &bytes[layout.end1];
    for (const Column& c : layout.columns) {
      std::uint8_t* cell = &bytes[c.ib];
      const auto present = [&] { ceb[c.bit / 8] |= static_cast<std::uint8_t>(0x80 >> (c.bit % 8)); };
      if (c.tag == tc::kTagRowId || c.tag == tc::kTagRowVer) {
        storeLe32(cell, c.tag == tc::kTagRowId ? row.rowId : static_cast<std::uint32_t>(r + 1));
        present();
        continue;
      }
      const PropValue* v = findProp(row.cells, c.tag);
      if (!v) continue;
      present();
      const PropType type = tagType(c.tag);
      if (fixedSize(type) > 0 && fixedSize(type) <= 8) {
        std::copy_n(v->data.begin(), std::min<std::size_t>(v->data.size(), c.cb), cell);
      } else if (v->data.size() > heap::kMaxItem) {
        storeLe32(cell, subnodes.addStream(v->data));
      } else if (!v->data.empty()) {
        storeLe32(cell, heap.add(v->data));
      }
    }
    ids.emplace_back(row.rowId, static_cast<std::uint32_t>(r));
    if (inHeap) {
      heapRows.insert(heapRows.end(), bytes.begin(), bytes.end());
    } else {
      blockRows.insert(blockRows.end(), bytes.begin(), bytes.end());
      if (blockRows.size() / layout.rowSize == rowsPerBlock) {
        // A full block is padded to 8,176 bytes: readers find row n at block n / rowsPerBlock.
        blockRows.resize(heap::kBlockData, 0);
        matrix.add(blockRows);
        blockRows.clear();
      }
    }
  }
  std::uint32_t hnidRows = rowsHid;
  if (inHeap) heap.set(rowsHid, heapRows);
  if (!inHeap && rowCount > 0) {
    if (!blockRows.empty()) matrix.add(blockRows);
    const std::uint64_t bytes = matrix.totalBytes();
    const Nid nid = subnodes.nextNid(kNidLtp);
    subnodes.add({nid, matrix.finish(), 0}, bytes);
    hnidRows = nid;
  }

  std::sort(ids.begin(), ids.end());
  std::vector<std::uint8_t> records(ids.size() * 8);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    storeLe32(&records[8 * i], ids[i].first);
    storeLe32(&records[8 * i + 4], ids[i].second);
  }
  index.fill(records);
  heap.set(infoHid, tcInfo(layout, index.headerHid(), hnidRows));
  const auto blocks = heap.build();
  NodeData out{writeBlockList(subnodes.ndb(), blocks, subnodes.owned()), 0};
  for (const auto& b : blocks) out.bytes += b.size();
  return out;
}

}  // namespace qm::pst
