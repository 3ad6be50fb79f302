#include "mailstore/pst/check/pst_checker.h"

#include <algorithm>
#include <map>
#include <set>

#include "mailstore/pst/check/pst_reader.h"
#include "mailstore/pst/ltp/ltp_format.h"
#include "mailstore/pst/ndb/crc.h"
#include "mailstore/pst/ndb/file_space.h"
#include "platform/bytes.h"

namespace qm::pst {
namespace {

constexpr std::uint32_t kTagMessageSize = 0x0E080003;
// Embedded mails nest subnode trees; deeper than this is taken for a loop.
constexpr int kMaxNesting = 64;

class Checker {
 public:
  Checker(PstReader& r, CheckReport& out) : r_(r), out_(out) {}

  void run() {
    checkHeader();
    r_.loadTrees();
    for (const auto& p : r_.treeProblems()) fail(p);
    out_.nodes = r_.nodes().size();
    out_.blocks = r_.blocks().size();
    checkBlocks();
    checkReferences();
    checkMaps();
    checkMandatoryNodes();
    checkFoldersAndMessages();
  }

 private:
  void fail(const std::string& text) {
    if (out_.problems.size() < 200) out_.problems.push_back(text);
  }

  void checkHeader() {
    const auto& h = r_.header();
    if (!h.crcPartialOk) fail("header: partial CRC is wrong");
    if (!h.crcFullOk) fail("header: full CRC is wrong");
    const auto bytes = r_.readAt(0, header::kSize);
    if (bytes[header::kSentinel] != header::kSentinelValue) fail("header: sentinel is not 0x80");
    if (h.state.cryptMethod > header::kCryptPermute) fail("header: encoding " + hex(h.state.cryptMethod) + " is not supported");
    if (h.state.fileEof > r_.fileSize()) fail("header: end of file " + hex(h.state.fileEof) + " is past the file's " + hex(r_.fileSize()));
    if (h.state.amapValid != root::kValidAMap2) fail("header: allocation maps are marked invalid");
  }

  void checkBlocks() {
    for (const auto& [bid, e] : r_.blocks()) {
      const std::string where = "block " + hex(bid);
      if (bid & 1) fail(where + ": BID has bit 0 set");
      if (e.cb > block::kMaxData) {
        fail(where + ": larger than a block may be");
        continue;
      }
      if (e.ib % 64 != 0) fail(where + ": not on a 64-byte boundary");
      try {
        const std::size_t size = block::allocatedSize(e.cb);
        const auto b = r_.readAt(e.ib, size);
        const std::uint8_t* t = &b[size - block::kTrailerSize];
        if (loadLe16(t) != e.cb) fail(where + ": trailer size " + std::to_string(loadLe16(t)) + ", B-tree size " + std::to_string(e.cb));
        if (loadLe16(t + 2) != computeSig(e.ib, bid)) fail(where + ": wrong signature");
        if (loadLe32(t + 4) != computeCrc({b.data(), e.cb})) fail(where + ": wrong CRC");
        if (loadLe64(t + 8) != bid) fail(where + ": trailer names block " + hex(loadLe64(t + 8)));
      } catch (const std::exception& err) {
        fail(where + ": " + err.what());
      }
    }
  }

  void reference(Bid bid, const std::string& user) {
    if (!bid) return;
    if (!r_.blocks().count(bid & ~Bid{1})) {
      fail(user + ": block " + hex(bid) + " is not in the block B-tree");
      return;
    }
    ++refs_[bid & ~Bid{1}];
  }

  // A data tree's blocks (the X/XX blocks and their data blocks).
  void referenceTree(Bid bid, const std::string& user) {
    reference(bid, user);
    if (!bid || !(bid & block::kInternalBit) || !r_.blocks().count(bid & ~Bid{1})) return;
    try {
      const auto x = r_.blockData(bid);
      if (x.size() < block::kXHeader || x[0] != block::kTypeX) {
        fail(user + ": block " + hex(bid) + " is not an XBLOCK");
        return;
      }
      const std::size_t n = loadLe16(&x[2]);
      std::uint64_t total = 0;
      for (std::size_t i = 0; i < n && block::kXHeader + 8 * (i + 1) <= x.size(); ++i) {
        const Bid child = loadLe64(&x[block::kXHeader + 8 * i]);
        if (x[1] == 2) {
          if (!(child & block::kInternalBit) || r_.blockData(child).at(1) != 1) {
            fail(user + ": XXBLOCK " + hex(bid) + " names a block that is not an XBLOCK");
            continue;
          }
          referenceTree(child, user);
          if (auto it = r_.blocks().find(child & ~Bid{1}); it != r_.blocks().end() && it->second.cb >= 8)
            total += loadLe32(&r_.blockData(child)[4]);
        } else {
          reference(child, user);
          if (auto it = r_.blocks().find(child & ~Bid{1}); it != r_.blocks().end()) total += it->second.cb;
        }
      }
      if (total != loadLe32(&x[4])) fail(user + ": XBLOCK " + hex(bid) + " total " + std::to_string(loadLe32(&x[4])) + " but its blocks hold " + std::to_string(total));
    } catch (const std::exception& err) {
      fail(user + ": " + err.what());
    }
  }

  void referenceSubnodes(Bid bid, const std::string& user, int depth = 0) {
    if (depth > kMaxNesting) {
      fail(user + ": subnodes nested too deep (a loop?)");
      return;
    }
    reference(bid, user);
    if (!bid || !r_.blocks().count(bid & ~Bid{1})) return;
    try {
      const auto b = r_.blockData(bid);
      if (b.size() < block::kXHeader || b[0] != block::kTypeSubnode) {
        fail(user + ": block " + hex(bid) + " is not a subnode block");
        return;
      }
      const std::size_t n = loadLe16(&b[2]);
      const std::size_t width = b[1] == 0 ? block::kSlEntrySize : block::kSiEntrySize;
      for (std::size_t i = 0; i < n && block::kXHeader + width * (i + 1) <= b.size(); ++i) {
        const std::uint8_t* e = &b[block::kXHeader + width * i];
        if (b[1] == 0) {
          const std::string inner = user + " subnode " + hex(loadLe32(e));
          referenceTree(loadLe64(e + 8), inner);
          referenceSubnodes(loadLe64(e + 16), inner, depth + 1);
        } else if (r_.blocks().count(loadLe64(e + 8) & ~Bid{1}) && r_.blockData(loadLe64(e + 8)).at(1) == 0) {
          referenceSubnodes(loadLe64(e + 8), user, depth + 1);
        } else {
          fail(user + ": SIBLOCK " + hex(bid) + " names a block that is not an SLBLOCK");
        }
      }
    } catch (const std::exception& err) {
      fail(user + ": " + err.what());
    }
  }

  void checkReferences() {
    for (const auto& [nid, n] : r_.nodes()) {
      const std::string user = "node " + hex(nid);
      referenceTree(n.bidData, user);
      referenceSubnodes(n.bidSub, user);
    }
    for (const auto& [bid, e] : r_.blocks()) {
      const auto it = refs_.find(bid);
      const unsigned users = it == refs_.end() ? 0 : it->second;
      // Outlook leaves blocks no node uses with a count of one; they are free to reuse.
      if (users == 0) ++out_.unusedBlocks;
      // MS-PST 2.2.2.7.7.3: the count is one more than the users of the block.
      if (e.cRef != users + 1)
        fail("block " + hex(bid) + ": reference count " + std::to_string(e.cRef) + " with " + std::to_string(users) + " users");
    }
  }

  void mark(std::vector<std::uint8_t>& bits, std::uint64_t offset, std::uint64_t size, const std::string& what) {
    if (offset < amap::kFirst || offset + size > FileSpace::regionBase(regions_)) {
      fail(what + " at " + hex(offset) + " lies outside the mapped file");
      return;
    }
    for (std::uint64_t at = offset; at < offset + size; at += amap::kSlot) {
      const std::uint64_t region = (at - amap::kFirst) / amap::kRegionSize;
      const std::uint64_t bit = (at - FileSpace::regionBase(region)) / amap::kSlot;
      std::uint8_t& byte = bits[region * 496 + bit / 8];
      const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
      if (byte & mask) {
        fail(what + " at " + hex(offset) + " overlaps something else");
        return;
      }
      byte |= mask;
    }
  }

  void checkMapPage(std::uint64_t ib, std::uint8_t ptype, const std::string& what) {
    const auto p = r_.readAt(ib, page::kSize);
    const std::uint8_t* t = &p[page::kTrailerAt];
    if (t[0] != ptype || t[1] != ptype) fail(what + " at " + hex(ib) + ": page type " + hex(t[0]));
    if (loadLe32(t + 4) != computeCrc({p.data(), page::kBodySize})) fail(what + " at " + hex(ib) + ": wrong CRC");
    if (loadLe64(t + 8) != ib) fail(what + " at " + hex(ib) + ": BID is not its offset");
  }

  void checkMaps() {
    const auto& h = r_.header().state;
    if (h.fileEof < amap::kFirst + amap::kRegionSize || (h.fileEof - amap::kFirst) % amap::kRegionSize != 0) {
      fail("header: end of file " + hex(h.fileEof) + " is not at the end of an allocation map's range");
      return;
    }
    regions_ = (h.fileEof - amap::kFirst) / amap::kRegionSize;
    if (h.amapLast != FileSpace::regionBase(regions_ - 1)) fail("header: last allocation map " + hex(h.amapLast) + " is not the last one");
    std::vector<std::uint8_t> expected(regions_ * 496, 0);
    try {
      for (std::uint64_t k = 0; k < regions_; ++k) {
        mark(expected, FileSpace::regionBase(k), page::kSize, "AMap");
        checkMapPage(FileSpace::regionBase(k), page::kTypeAMap, "AMap");
        if (FileSpace::hasPMap(k)) {
          mark(expected, FileSpace::pmapOffset(k), page::kSize, "PMap");
          checkMapPage(FileSpace::pmapOffset(k), page::kTypePMap, "PMap");
        }
        if (FileSpace::hasFMap(k)) {
          mark(expected, FileSpace::fmapOffset(k), page::kSize, "FMap");
          checkMapPage(FileSpace::fmapOffset(k), page::kTypeFMap, "FMap");
        }
        if (FileSpace::hasFPMap(k)) {
          mark(expected, FileSpace::fpmapOffset(k), page::kSize, "FPMap");
          checkMapPage(FileSpace::fpmapOffset(k), page::kTypeFPMap, "FPMap");
        }
      }
      for (const auto& [ib, type] : r_.pages()) mark(expected, ib, page::kSize, "B-tree page");
      for (const auto& [bid, e] : r_.blocks())
        if (e.cb <= block::kMaxData) mark(expected, e.ib, block::allocatedSize(e.cb), "block " + hex(bid));
      std::uint64_t clear = 0;
      for (std::uint64_t k = 0; k < regions_; ++k) {
        const auto p = r_.readAt(FileSpace::regionBase(k), page::kBodySize);
        for (std::size_t i = 0; i < page::kBodySize; ++i) {
          const std::uint8_t want = expected[k * 496 + i];
          if (p[i] != want) {
            fail("AMap at " + hex(FileSpace::regionBase(k)) + ": byte " + std::to_string(i) + " is " + hex(p[i]) + " where the pages and blocks in use give " + hex(want));
            break;
          }
        }
        for (std::size_t i = 0; i < page::kBodySize; ++i)
          for (int b = 0; b < 8; ++b) clear += (p[i] >> b) & 1 ? 0 : 1;
      }
      if (h.amapFree != clear * amap::kSlot)
        fail("header: free bytes " + std::to_string(h.amapFree) + " where the maps show " + std::to_string(clear * amap::kSlot));
    } catch (const std::exception& err) {
      fail(std::string("allocation maps: ") + err.what());
    }
  }

  void checkMandatoryNodes() {
    // MS-PST 2.7.1: the fixed nodes, and the folders the store names by entry ID.
    static constexpr Nid kMandatory[] = {
        kNidMessageStore, kNidNameToIdMap, kNidRootFolder, 0x12D, 0x12E, 0x12F, kNidSearchManagementQueue,
        kNidSearchActivityList, kNidHierarchyTableTemplate, kNidContentsTableTemplate, kNidAssocContentsTableTemplate,
        kNidSearchContentsTableTemplate, kNidAttachmentTableTemplate, kNidRecipientTableTemplate, kNidSpamSearchFolder};
    for (Nid nid : kMandatory)
      if (!r_.nodes().count(nid)) fail("mandatory node " + hex(nid) + " is missing");
    auto store = r_.nodes().find(kNidMessageStore);
    if (store == r_.nodes().end()) return;
    try {
      const PropList props = r_.propertyContext(store->second);
      const std::uint32_t kRecordKey = 0x0FF90102;
      const PropValue* key = findProp(props, kRecordKey);
      if (!key || key->data.size() != 16) fail("message store: no 16-byte record key");
      // IPM subtree, Deleted Items, search root.
      for (std::uint32_t tag : {0x35E00102u, 0x35E30102u, 0x35E70102u}) {
        const PropValue* id = findProp(props, tag);
        if (!id || id->data.size() != 24) {
          fail("message store: entry ID " + hex(tag) + " missing");
          continue;
        }
        if (key && !std::equal(key->data.begin(), key->data.end(), id->data.begin() + 4))
          fail("message store: entry ID " + hex(tag) + " names another store");
        const Nid folder = loadLe32(&id->data[20]);
        for (Nid nid : {folder, tableOf(folder, kNidHierarchyTable), tableOf(folder, kNidContentsTable),
                        tableOf(folder, kNidAssocContentsTable)})
          if (!r_.nodes().count(nid)) fail("mandatory node " + hex(nid) + " is missing");
      }
    } catch (const std::exception& err) {
      fail(std::string("message store: ") + err.what());
    }
  }

  std::uint64_t nodeBytes(Bid data, Bid sub, int depth = 0) {
    if (depth > kMaxNesting) throw ReadError("subnodes nested too deep (a loop?)");
    std::uint64_t n = 0;
    for (std::uint64_t s : r_.streamBlockSizes(data)) n += s;
    for (const auto& [nid, info] : r_.subnodes(sub)) n += nodeBytes(info.bidData, info.bidSub, depth + 1);
    return n;
  }

  void checkFoldersAndMessages() {
    std::map<Nid, std::vector<Nid>> children, messages;
    for (const auto& [nid, n] : r_.nodes()) {
      const NidType type = nidType(n.nid);
      if ((type == kNidNormalFolder || type == kNidSearchFolder) && n.parent != n.nid) children[n.parent].push_back(n.nid);
      if (type == kNidNormalMessage) messages[n.parent].push_back(n.nid);
    }
    for (const auto& [nid, n] : r_.nodes()) {
      const std::string where = "node " + hex(nid);
      try {
        switch (nidType(n.nid)) {
          case kNidNormalFolder: {
            ++out_.folders;
            if (!r_.nodes().count(n.parent)) fail(where + ": parent folder " + hex(n.parent) + " is missing");
            checkTableRows(tableOf(n.nid, kNidHierarchyTable), children[n.nid], "hierarchy");
            checkTableRows(tableOf(n.nid, kNidContentsTable), messages[n.nid], "contents");
            const PropList props = r_.propertyContext(n);
            const PropValue* count = findProp(props, 0x36020003);
            if (count && loadLe32(count->data.data()) != messages[n.nid].size())
              fail(where + ": content count " + std::to_string(loadLe32(count->data.data())) + " for " + std::to_string(messages[n.nid].size()) + " messages");
            if (!r_.nodes().count(tableOf(n.nid, kNidAssocContentsTable))) fail(where + ": associated contents table missing");
            break;
          }
          case kNidNormalMessage: {
            ++out_.messages;
            const PropList pc = r_.propertyContext(n);
            const PropValue* size = findProp(pc, kTagMessageSize);
            const std::uint64_t actual = nodeBytes(n.bidData, n.bidSub);
            if (!size) fail(where + ": message without a size");
            else if (loadLe32(size->data.data()) != actual)
              fail(where + ": message size " + std::to_string(loadLe32(size->data.data())) + " but its node holds " + std::to_string(actual) + " bytes");
            const auto subs = r_.subnodes(n.bidSub);
            if (!subs.count(kNidRecipientTableTemplate)) fail(where + ": recipient table missing");
            checkAttachmentTable(where, subs);
            break;
          }
          default: {
            // Every heap-based node must parse.
            if (!n.bidData) break;
            const auto first = r_.stream(n.bidData & block::kInternalBit ? 0 : n.bidData);
            if (first.size() >= 4 && first[2] == heap::kSig) {
              const Heap h = r_.heap(n.bidData);
              if (h.client == heap::kClientPc) r_.propertyContext(n);
              else if (h.client == heap::kClientTc) r_.table(n.bidData, n.bidSub);
            }
          }
        }
      } catch (const std::exception& err) {
        fail(where + ": " + err.what());
      }
    }
  }

  // MS-PST 2.4.6.1: one attachment table row per attachment subnode, repeating its values.
  void checkAttachmentTable(const std::string& where, const std::map<Nid, SubnodeInfo>& subs) {
    std::set<Nid> attachments;
    for (const auto& [nid, info] : subs)
      if (nidType(nid) == kNidAttachment) attachments.insert(nid);
    auto table = subs.find(kNidAttachmentTableTemplate);
    if (table == subs.end()) {
      if (!attachments.empty()) fail(where + ": attachments without an attachment table");
      return;
    }
    const TableData t = r_.table(table->second.bidData, table->second.bidSub);
    std::set<Nid> rows;
    for (const auto& [id, cells] : t.rows) {
      rows.insert(id);
      auto a = subs.find(id);
      if (a == subs.end()) continue;
      const PropList props = r_.propertyContext(a->second.bidData, a->second.bidSub);
      for (std::uint32_t tag : t.columns) {
        const PropValue* p = findProp(props, tag);
        const PropValue* cell = findProp(cells, tag);
        if (p && tag != tc::kTagRowId && tag != tc::kTagRowVer && (!cell || cell->data != p->data))
          fail(where + ": attachment table row of " + hex(id) + " differs in " + hex(tag));
      }
    }
    if (rows != attachments)
      fail(where + ": attachment table has " + std::to_string(rows.size()) + " rows for " +
           std::to_string(attachments.size()) + " attachments");
  }

  void checkTableRows(Nid table, const std::vector<Nid>& want, const char* what) {
    auto it = r_.nodes().find(table);
    if (it == r_.nodes().end()) {
      fail(std::string(what) + " table " + hex(table) + " missing");
      return;
    }
    const TableData t = r_.table(it->second.bidData, it->second.bidSub);
    std::set<Nid> rows, nodes(want.begin(), want.end());
    for (const auto& [id, cells] : t.rows) {
      rows.insert(id);
      if (nodes.count(id)) checkRowMatchesItem(table, t.columns, id, cells);
    }
    if (rows != nodes)
      fail(std::string(what) + " table " + hex(table) + ": " + std::to_string(rows.size()) + " rows for " + std::to_string(nodes.size()) + " items");
  }

  // A folder table's row repeats the item's properties: every column the item has is in
  // the row with the same value (the row may hold more, such as the message status).
  void checkRowMatchesItem(Nid table, const std::vector<std::uint32_t>& columns, Nid item, const PropList& cells) {
    const PropList props = r_.propertyContext(r_.nodes().at(item));
    for (std::uint32_t tag : columns) {
      if (tag == tc::kTagRowId || tag == tc::kTagRowVer) continue;
      const PropValue* p = findProp(props, tag);
      if (!p) continue;
      const PropValue* c = findProp(cells, tag);
      if (!c) fail("table " + hex(table) + ": row of " + hex(item) + " lacks " + hex(tag));
      else if (c->data != p->data) fail("table " + hex(table) + ": row of " + hex(item) + " differs in " + hex(tag));
    }
  }

  PstReader& r_;
  CheckReport& out_;
  std::map<Bid, unsigned> refs_;
  std::uint64_t regions_ = 0;
};

}  // namespace

CheckReport checkPstFile(const std::string& path) {
  CheckReport report;
  try {
    PstReader reader(path);
    Checker(reader, report).run();
  } catch (const std::exception& err) {
    report.problems.push_back(err.what());
  }
  return report;
}

}  // namespace qm::pst
