#include "oestore/store_index.h"

#include <algorithm>

namespace oe {

namespace {

StoreKind kindOf(const std::vector<std::uint8_t>& h) {
  if (qm::loadLe32(h.data()) != dbx::kFileMagic) return StoreKind::NotAStore;
  if (std::equal(kMessageStoreGuid.begin(), kMessageStoreGuid.end(), h.begin() + kKindGuidOffset))
    return StoreKind::MessageStore;
  if (h[kKindGuidOffset] == kFolderListGuidFirst &&
      std::equal(kMessageStoreGuid.begin() + 1, kMessageStoreGuid.end(), h.begin() + kKindGuidOffset + 1))
    return StoreKind::FolderList;
  return StoreKind::OtherKind;
}

}  // namespace

StoreHeader readStoreHeader(StoreSource& source) {
  StoreHeader out;
  const std::vector<std::uint8_t> h = source.bytes(0, kHeaderLength);
  if (h.empty()) return out;
  out.kind = kindOf(h);
  if (out.kind == StoreKind::NotAStore) return out;
  auto at = [&](std::size_t offset) { return qm::loadLe32(h.data() + offset); };
  out.fileInfoLength = at(kFileInfoLength);
  out.bytesHandedOut = at(kBytesHandedOut);
  out.bytesFreed = at(kBytesFreed);
  out.lastId = at(kLastId);
  out.logicalEnd = at(kLogicalEnd);
  out.treeCount = at(kTreeCountField);
  for (std::uint32_t i = 0; i < kMaxTrees && i < out.treeCount; ++i) {
    out.treeRoots[i] = at(kTreeRoots + 4 * i);
    out.treeCounts[i] = at(kTreeValueCounts + 4 * i);
  }
  for (std::size_t k = 0; k < out.liveBytes.size(); ++k) out.liveBytes[k] = at(kLiveRecordBytes + 4 * k);
  out.lastVariableStart = at(kLastVariableStart);
  out.lastVariableSize = at(kLastVariableSize);
  out.lastVariableUsed = at(kLastVariableUsed);
  out.lastTreeStart = at(kLastTreeStart);
  out.lastTreeSize = at(kLastTreeSize);
  out.lastTreeUsed = at(kLastTreeUsed);
  out.lastMessageStart = at(kLastMessageStart);
  out.lastMessageSize = at(kLastMessageSize);
  out.lastMessageUsed = at(kLastMessageUsed);
  if (out.kind == StoreKind::MessageStore && out.fileInfoLength == kMessageFileInfoLength) {
    const std::vector<std::uint8_t> name = source.bytes(kFileInfoStart + kInfoFolderName, kInfoFolderNameRoom);
    const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
    out.folderName.assign(name.begin(), end);
  }
  return out;
}

MessageIndex readMessageIndex(StoreSource& source) {
  MessageIndex out;
  out.header = readStoreHeader(source);
  if (out.header.kind != StoreKind::MessageStore) {
    out.problems.push_back(std::string("not a message store: ") + storeKindName(out.header.kind));
    return out;
  }
  if (out.header.treeCount < 1) {
    out.problems.push_back("the header names no index tree");
    return out;
  }
  TreeWalk walk = walkTree(source, out.header.treeRoots[0], out.header.treeCounts[0]);
  out.problems = std::move(walk.problems);
  out.mails.reserve(walk.values.size());
  // Records of a sound store do not overlap, so together they are never longer than the
  // file: past that the tree points into the same bytes again and again.
  std::uint64_t recordBytes = 0;
  for (const std::uint32_t value : walk.values) {
    RecordRead read = readRecord(source, value);
    if (read.record) recordBytes += read.record->storedLength();
    if (recordBytes > source.size()) {
      out.problems.push_back("the records the tree points at overlap; the rest are not read");
      break;
    }
    for (const std::string& p : read.problems) out.problems.push_back("record " + std::to_string(value) + ": " + p);
    if (!read.record) continue;
    out.mails.push_back({value, messageInfoOf(*read.record)});
  }
  return out;
}

const char* storeKindName(StoreKind kind) {
  switch (kind) {
    case StoreKind::MessageStore: return "message store";
    case StoreKind::FolderList: return "folder list";
    case StoreKind::OtherKind: return "store of another kind";
    case StoreKind::NotAStore: return "not a store file";
  }
  return "";
}

}  // namespace oe
