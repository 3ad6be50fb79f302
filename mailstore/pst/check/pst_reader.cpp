#include "mailstore/pst/check/pst_reader.h"

#include <algorithm>

#include "mailstore/pst/ltp/ltp_format.h"
#include "mailstore/pst/ndb/crc.h"
#include "platform/bytes.h"

namespace qm::pst {

std::string hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

std::vector<std::uint8_t> Heap::item(std::uint32_t hid) const {
  const std::size_t b = hid >> 16, index = (hid & 0xFFFF) >> 5;
  if ((hid & 0x1F) != 0 || b >= blocks.size() || index == 0) throw ReadError("heap: no item " + hex(hid));
  const auto& block = blocks[b];
  if (block.size() < 2) throw ReadError("heap: block too short");
  const std::size_t map = loadLe16(block.data());
  if (map + 4 > block.size()) throw ReadError("heap: page map outside its block");
  const std::size_t count = loadLe16(&block[map]);
  if (index > count || map + 4 + 2 * (count + 1) > block.size()) throw ReadError("heap: no item " + hex(hid));
  const std::size_t from = loadLe16(&block[map + 4 + 2 * (index - 1)]);
  const std::size_t to = loadLe16(&block[map + 4 + 2 * index]);
  if (from > to || to > map) throw ReadError("heap: item " + hex(hid) + " has a bad extent");
  return {block.begin() + static_cast<std::ptrdiff_t>(from), block.begin() + static_cast<std::ptrdiff_t>(to)};
}

PstReader::PstReader(const std::string& path) : path_(path) {
  file_.reset(platform::openFile(path, "rb"));
  if (!file_) throw ReadError("cannot open " + path);
  size_ = platform::fileSize(path).value_or(0);
  const auto bytes = readAt(0, header::kSize);
  const auto h = decodeHeader(bytes);
  if (!h) throw ReadError("not a Unicode personal folder file");
  header_ = *h;
}

std::vector<std::uint8_t> PstReader::readAt(std::uint64_t offset, std::size_t size) const {
  if (offset > size_ || size > size_ - offset) throw ReadError("read past the end of the file at " + hex(offset));
  std::vector<std::uint8_t> out(size);
  if (!platform::seekTo(file_.get(), offset) || std::fread(out.data(), 1, size, file_.get()) != size)
    throw ReadError("cannot read at " + hex(offset));
  return out;
}

void PstReader::loadTrees() {
  walk(header_.state.nbt, page::kTypeNbt, -1, std::nullopt);
  walk(header_.state.bbt, page::kTypeBbt, -1, std::nullopt);
}

void PstReader::walk(const PageRef& ref, std::uint8_t ptype, int expectLevel, std::optional<std::uint64_t> firstKey) {
  const std::string where = std::string(ptype == page::kTypeNbt ? "node" : "block") + " B-tree page at " + hex(ref.ib);
  if (ref.ib % page::kSize != 0) treeProblems_.push_back(where + ": not on a 512-byte boundary");
  const auto p = readAt(ref.ib, page::kSize);
  pages_.emplace_back(ref.ib, ptype);
  const std::uint8_t* t = &p[page::kTrailerAt];
  if (t[0] != ptype || t[1] != ptype) treeProblems_.push_back(where + ": page type " + hex(t[0]));
  if (loadLe16(t + 2) != computeSig(ref.ib, ref.bid)) treeProblems_.push_back(where + ": wrong signature");
  if (loadLe32(t + 4) != computeCrc({p.data(), page::kBodySize})) treeProblems_.push_back(where + ": wrong CRC");
  if (loadLe64(t + 8) != ref.bid) treeProblems_.push_back(where + ": BID " + hex(loadLe64(t + 8)) + " where " + hex(ref.bid) + " was expected");
  const unsigned count = p[btpage::kCEnt], max = p[btpage::kCEntMax], cb = p[btpage::kCbEnt], level = p[btpage::kCLevel];
  if ((expectLevel >= 0 && static_cast<int>(level) != expectLevel) || level > 8) {
    treeProblems_.push_back(where + ": level " + std::to_string(level) + " where " + std::to_string(expectLevel) + " was expected");
    return;
  }
  const unsigned want = level > 0 ? btpage::kBtEntrySize : (ptype == page::kTypeNbt ? btpage::kNbtEntrySize : btpage::kBbtEntrySize);
  if (cb != want || count > max || count * cb > btpage::kEntriesSize) {
    treeProblems_.push_back(where + ": bad entry count or size");
    return;
  }
  std::optional<std::uint64_t> last;
  for (unsigned i = 0; i < count; ++i) {
    const std::uint8_t* e = &p[i * cb];
    const std::uint64_t key = loadLe64(e);
    if (last && key <= *last) treeProblems_.push_back(where + ": keys out of order at entry " + std::to_string(i));
    if (i == 0 && firstKey && key != *firstKey)
      treeProblems_.push_back(where + ": first key " + hex(key) + " differs from its parent's " + hex(*firstKey));
    last = key;
    if (level > 0) {
      walk({loadLe64(e + 8), loadLe64(e + 16)}, ptype, static_cast<int>(level) - 1, key);
    } else if (ptype == page::kTypeNbt) {
      nodes_[key] = NbtEntry{static_cast<Nid>(key), loadLe64(e + 8), loadLe64(e + 16), loadLe32(e + 24)};
    } else {
      if (!blocks_.emplace(key, BbtEntry{key, loadLe64(e + 8), loadLe16(e + 16), loadLe16(e + 18)}).second)
        treeProblems_.push_back(where + ": block " + hex(key) + " listed twice");
    }
  }
}

std::vector<std::uint8_t> PstReader::blockData(Bid bid) const {
  auto it = blocks_.find(bid & ~Bid{1});
  if (it == blocks_.end()) throw ReadError("block " + hex(bid) + " is not in the block B-tree");
  return readAt(it->second.ib, it->second.cb);
}

std::vector<std::vector<std::uint8_t>> PstReader::streamBlocks(Bid bid) const {
  std::vector<std::vector<std::uint8_t>> out;
  if (!bid) return out;
  if (!(bid & block::kInternalBit)) {
    out.push_back(stream(bid));
    return out;
  }
  const auto x = blockData(bid);
  if (x.size() < block::kXHeader || x[0] != block::kTypeX || x[1] < 1 || x[1] > 2)
    throw ReadError("block " + hex(bid) + " is not an XBLOCK");
  const std::size_t n = loadLe16(&x[2]);
  if (block::kXHeader + 8 * n > x.size()) throw ReadError("XBLOCK " + hex(bid) + " is too short for its entries");
  for (std::size_t i = 0; i < n; ++i) {
    const Bid child = loadLe64(&x[block::kXHeader + 8 * i]);
    if ((x[1] == 2) != ((child & block::kInternalBit) != 0)) throw ReadError("XBLOCK " + hex(bid) + " names a block of the wrong kind");
    if (x[1] == 2 && blockData(child).at(1) != 1) throw ReadError("XXBLOCK " + hex(bid) + " names a block that is not an XBLOCK");
    auto part = streamBlocks(child);
    for (auto& p : part) out.push_back(std::move(p));
  }
  return out;
}

std::vector<std::uint64_t> PstReader::streamBlockSizes(Bid bid) const {
  std::vector<std::uint64_t> out;
  if (!bid) return out;
  if (!(bid & block::kInternalBit)) {
    auto it = blocks_.find(bid & ~Bid{1});
    if (it == blocks_.end()) throw ReadError("block " + hex(bid) + " is not in the block B-tree");
    out.push_back(it->second.cb);
    return out;
  }
  const auto x = blockData(bid);
  if (x.size() < block::kXHeader || x[0] != block::kTypeX) throw ReadError("block " + hex(bid) + " is not an XBLOCK");
  const std::size_t n = loadLe16(&x[2]);
  if (block::kXHeader + 8 * n > x.size()) throw ReadError("XBLOCK " + hex(bid) + " is too short for its entries");
  for (std::size_t i = 0; i < n; ++i) {
    const Bid child = loadLe64(&x[block::kXHeader + 8 * i]);
    if (x[1] == 2) {
      if (!(child & block::kInternalBit)) throw ReadError("XXBLOCK " + hex(bid) + " names a data block");
      if (blockData(child).at(1) != 1) throw ReadError("XXBLOCK " + hex(bid) + " names a block that is not an XBLOCK");
      const auto inner = streamBlockSizes(child);
      out.insert(out.end(), inner.begin(), inner.end());
    } else if (x[1] == 1) {
      if (child & block::kInternalBit) throw ReadError("XBLOCK " + hex(bid) + " names an internal block");
      out.push_back(blockData(child).size());
    } else {
      throw ReadError("XBLOCK " + hex(bid) + " has level " + std::to_string(x[1]));
    }
  }
  return out;
}

std::vector<std::uint8_t> PstReader::stream(Bid bid, std::uint64_t limit) const {
  std::vector<std::uint8_t> out;
  if (!bid) return out;
  auto decode = [this](std::vector<std::uint8_t> d) {
    if (header_.state.cryptMethod == header::kCryptPermute) permuteDecode(d);
    return d;
  };
  if (!(bid & block::kInternalBit)) return decode(blockData(bid));
  const auto x = blockData(bid);
  if (x.size() < block::kXHeader || x[0] != block::kTypeX) throw ReadError("block " + hex(bid) + " is not an XBLOCK");
  const std::uint64_t total = loadLe32(&x[4]);
  if (total > limit) throw ReadError("stream " + hex(bid) + " larger than expected");
  const std::size_t n = loadLe16(&x[2]);
  if (block::kXHeader + 8 * n > x.size()) throw ReadError("XBLOCK " + hex(bid) + " is too short");
  out.reserve(std::min<std::uint64_t>(total, 64u << 20));
  for (std::size_t i = 0; i < n; ++i) {
    const Bid child = loadLe64(&x[block::kXHeader + 8 * i]);
    if (x[1] == 2 && (!(child & block::kInternalBit) || blockData(child).at(1) != 1))
      throw ReadError("XXBLOCK " + hex(bid) + " names a block that is not an XBLOCK");
    if (x[1] == 1 && (child & block::kInternalBit)) throw ReadError("XBLOCK " + hex(bid) + " names an internal block");
    const auto part = x[1] == 2 ? stream(child, limit) : decode(blockData(child));
    out.insert(out.end(), part.begin(), part.end());
    if (out.size() > limit) throw ReadError("stream " + hex(bid) + " larger than expected");
  }
  if (out.size() != total) throw ReadError("XBLOCK " + hex(bid) + " total " + std::to_string(total) + " differs from its blocks' " + std::to_string(out.size()));
  return out;
}

std::map<Nid, SubnodeInfo> PstReader::subnodes(Bid bid) const {
  std::map<Nid, SubnodeInfo> out;
  if (!bid) return out;
  const auto b = blockData(bid);
  if (b.size() < block::kXHeader || b[0] != block::kTypeSubnode) throw ReadError("block " + hex(bid) + " is not a subnode block");
  const std::size_t n = loadLe16(&b[2]);
  const std::size_t width = b[1] == 0 ? block::kSlEntrySize : block::kSiEntrySize;
  if (block::kXHeader + width * n > b.size()) throw ReadError("subnode block " + hex(bid) + " is too short");
  std::optional<Nid> last;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* e = &b[block::kXHeader + width * i];
    const Nid nid = loadLe32(e);
    if (last && nid <= *last) throw ReadError("subnode block " + hex(bid) + " is not sorted");
    last = nid;
    if (b[1] == 0) {
      out[nid] = SubnodeInfo{loadLe64(e + 8), loadLe64(e + 16)};
    } else {
      const Bid child = loadLe64(e + 8);
      if (blockData(child).at(1) != 0) throw ReadError("SIBLOCK " + hex(bid) + " names a block that is not an SLBLOCK");
      for (const auto& kv : subnodes(child)) out.insert(kv);
    }
  }
  return out;
}

Heap PstReader::heap(Bid bid) const {
  Heap h;
  if (!bid) throw ReadError("node has no data");
  h.blocks = streamBlocks(bid);
  if (h.blocks.empty()) throw ReadError("heap " + hex(bid) + " has no blocks");
  const auto& b0 = h.blocks.front();
  if (b0.size() < heap::kHnhdrSize || b0[2] != heap::kSig) throw ReadError("heap " + hex(bid) + ": no heap signature");
  h.client = b0[3];
  h.root = loadLe32(&b0[4]);
  return h;
}

std::vector<std::uint8_t> PstReader::value(const Heap& h, const std::map<Nid, SubnodeInfo>& subs, std::uint32_t hnid) const {
  if (hnid == 0) return {};
  if ((hnid & 0x1F) == 0) return h.item(hnid);
  auto it = subs.find(hnid);
  if (it == subs.end()) throw ReadError("value in subnode " + hex(hnid) + " which does not exist");
  return stream(it->second.bidData);
}

PropList PstReader::propertyContext(const NbtEntry& node) const { return propertyContext(node.bidData, node.bidSub); }

namespace {
struct Bth {
  unsigned cbKey = 0, cbEnt = 0;
  std::vector<std::vector<std::uint8_t>> records;
};
Bth readBth(const Heap& h, std::uint32_t hid) {
  const auto header = h.item(hid);
  if (header.size() != bth::kHeaderSize || header[0] != bth::kType) throw ReadError("BTH header " + hex(hid) + " is bad");
  Bth t{header[1], header[2], {}};
  const unsigned levels = header[3];
  std::vector<std::pair<std::uint32_t, unsigned>> todo;
  if (loadLe32(&header[4])) todo.emplace_back(loadLe32(&header[4]), levels);
  while (!todo.empty()) {
    const auto [item, level] = todo.front();
    todo.erase(todo.begin());
    const auto d = h.item(item);
    const std::size_t width = level == 0 ? t.cbKey + t.cbEnt : t.cbKey + 4u;
    if (width == 0 || d.size() % width != 0) throw ReadError("BTH item " + hex(item) + " has a bad size");
    std::vector<std::pair<std::uint32_t, unsigned>> children;
    for (std::size_t at = 0; at < d.size(); at += width) {
      if (level == 0) t.records.emplace_back(d.begin() + static_cast<std::ptrdiff_t>(at), d.begin() + static_cast<std::ptrdiff_t>(at + width));
      else children.emplace_back(loadLe32(&d[at + t.cbKey]), level - 1);
    }
    todo.insert(todo.begin(), children.begin(), children.end());
  }
  for (std::size_t i = 1; i < t.records.size(); ++i) {
    std::uint64_t a = 0, b = 0;
    for (unsigned k = t.cbKey; k-- > 0;) a = (a << 8) | t.records[i - 1][k], b = (b << 8) | t.records[i][k];
    if (a >= b) throw ReadError("BTH records out of order");
  }
  return t;
}
}  // namespace

PropList PstReader::propertyContext(Bid data, Bid sub) const {
  const Heap h = heap(data);
  if (h.client != heap::kClientPc) throw ReadError("node is not a property context");
  const auto subs = subnodes(sub);
  const Bth t = readBth(h, h.root);
  if (t.cbKey != 2 || t.cbEnt != 6) throw ReadError("property context with a bad BTH");
  PropList out;
  for (const auto& r : t.records) {
    const auto id = loadLe16(&r[0]);
    const auto type = static_cast<PropType>(loadLe16(&r[2]));
    const std::uint32_t v = loadLe32(&r[4]);
    PropValue p{makeTag(id, type), {}};
    const std::size_t fixed = fixedSize(type);
    if (fixed > 0 && fixed <= 4) p.data.assign(r.begin() + 4, r.begin() + 4 + static_cast<std::ptrdiff_t>(fixed));
    else p.data = value(h, subs, v);
    out.push_back(std::move(p));
  }
  return out;
}

TableData PstReader::table(Bid data, Bid sub) const {
  const Heap h = heap(data);
  if (h.client != heap::kClientTc) throw ReadError("node is not a table");
  const auto subs = subnodes(sub);
  const auto info = h.item(h.root);
  if (info.size() < tc::kInfoFixed || info[0] != tc::kType) throw ReadError("table with a bad TCINFO");
  const unsigned cols = info[1];
  if (info.size() != tc::kInfoFixed + tc::kColDescSize * cols) throw ReadError("TCINFO size does not match its columns");
  const std::uint16_t end4 = loadLe16(&info[2]), end2 = loadLe16(&info[4]), end1 = loadLe16(&info[6]), rowSize = loadLe16(&info[8]);
  if (!(end4 <= end2 && end2 <= end1 && end1 < rowSize) && cols > 0) throw ReadError("TCINFO row layout is not in order");
  TableData out;
  struct Col { std::uint32_t tag; std::uint16_t ib; std::uint8_t cb, bit; };
  std::vector<Col> columns;
  for (unsigned i = 0; i < cols; ++i) {
    const std::uint8_t* c = &info[tc::kInfoFixed + tc::kColDescSize * i];
    columns.push_back({loadLe32(c), loadLe16(c + 4), c[6], c[7]});
    if (c[7] / 8u >= static_cast<unsigned>(rowSize - end1) || loadLe16(c + 4) + c[6] > end1) throw ReadError("column outside the row");
    if (i > 0 && columns[i - 1].tag >= columns[i].tag) throw ReadError("TCOLDESC not sorted by tag");
    out.columns.push_back(columns.back().tag);
  }
  const Bth index = readBth(h, loadLe32(&info[10]));
  const std::uint32_t hnidRows = loadLe32(&info[14]);
  std::vector<std::uint8_t> matrix;
  std::vector<std::uint64_t> blockSizes;
  if (hnidRows && (hnidRows & 0x1F) == 0) {
    matrix = h.item(hnidRows);
  } else if (hnidRows) {
    auto it = subs.find(hnidRows);
    if (it == subs.end()) throw ReadError("row matrix subnode missing");
    matrix = stream(it->second.bidData);
    blockSizes = streamBlockSizes(it->second.bidData);
  }
  // Rows never span blocks: each block holds a whole number of rows.
  const std::size_t perBlock = rowSize ? heap::kBlockData / rowSize : 0;
  std::vector<std::size_t> rowStarts;
  if (blockSizes.empty() && !matrix.empty()) blockSizes.push_back(matrix.size());
  std::size_t at = 0;
  for (std::uint64_t bs : blockSizes) {
    // A block may end in padding shorter than a row (full blocks are padded to 8,176 bytes).
    if (rowSize == 0 || bs / rowSize > perBlock) throw ReadError("row matrix block holds more rows than fit");
    for (std::uint64_t r = 0; r < bs / rowSize; ++r) rowStarts.push_back(at + r * rowSize);
    at += bs;
  }
  if (rowStarts.size() != index.records.size()) throw ReadError("row index and row matrix differ in row count");
  for (const auto& rec : index.records) {
    const std::uint32_t id = loadLe32(&rec[0]), row = loadLe32(&rec[index.cbKey]);
    if (row >= rowStarts.size()) throw ReadError("row index points past the rows");
    const std::uint8_t* r = &matrix[rowStarts[row]];
    PropList cells;
    for (const Col& c : columns) {
      if (!(r[end1 + c.bit / 8] & (0x80 >> (c.bit % 8)))) continue;
      const PropType type = tagType(c.tag);
      PropValue p{c.tag, {}};
      const std::size_t fixed = fixedSize(type);
      if (fixed > 0 && fixed <= 8) p.data.assign(r + c.ib, r + c.ib + fixed);
      else p.data = value(h, subs, loadLe32(r + c.ib));
      cells.push_back(std::move(p));
    }
    if (const PropValue* rid = findProp(cells, tc::kTagRowId); rid && loadLe32(rid->data.data()) != id)
      throw ReadError("row id cell differs from the row index key");
    out.rows.emplace_back(id, std::move(cells));
  }
  return out;
}

}  // namespace qm::pst
