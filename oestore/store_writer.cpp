#include "oestore/store_writer.h"

#include <algorithm>
#include <cstring>

#include "oestore/tree_builder.h"
#include "platform/bytes.h"

namespace oe {

namespace {

std::vector<std::uint8_t> filterObject() {
  std::vector<std::uint8_t> out(kMessageFilterLength, 0);
  const std::size_t textLength = std::strlen(kMessageFilterText) + 1;
  qm::storeLe32(out.data(), kFirstSectorEnd);
  qm::storeLe32(out.data() + 4, static_cast<std::uint32_t>((textLength + 3) & ~std::size_t{3}));
  std::memcpy(out.data() + 8, kMessageFilterText, textLength);
  return out;
}

void putText(std::uint8_t* at, std::size_t room, std::string_view text) {
  const std::size_t n = std::min(text.size(), room - 1);
  std::memcpy(at, text.data(), n);
}

}  // namespace

std::unique_ptr<MessageStoreWriter> MessageStoreWriter::create(const std::string& path, StoreOptions options) {
  std::FILE* f = qm::platform::openFile(path, "wb");
  if (!f) return nullptr;
  return std::unique_ptr<MessageStoreWriter>(new MessageStoreWriter(path, f, std::move(options)));
}

MessageStoreWriter::MessageStoreWriter(std::string path, std::FILE* file, StoreOptions options)
    : path_(std::move(path)), file_(file), options_(std::move(options)), variableImage_(kVariableSegmentSize, 0) {
  const std::vector<std::uint8_t> filter = filterObject();
  std::copy(filter.begin(), filter.end(), variableImage_.begin());
}

MessageStoreWriter::~MessageStoreWriter() { close(); }

bool MessageStoreWriter::writeAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  if (failed_) return false;
  if (!qm::platform::seekTo(file_.get(), offset) || std::fwrite(data, 1, size, file_.get()) != size) failed_ = true;
  return !failed_;
}

bool MessageStoreWriter::flushSegment(const Segment& segment, std::vector<std::uint8_t>& image) {
  if (segment.start == 0) return true;
  const bool ok = writeAt(segment.start, image.data(), image.size());
  std::fill(image.begin(), image.end(), 0);
  return ok;
}

// Copies an object into the in-memory image of the segment it was placed in.
void MessageStoreWriter::place(std::vector<std::uint8_t>& image, const Segment& segment, std::uint64_t at,
                               const std::uint8_t* data, std::size_t size) {
  std::memcpy(image.data() + (at - segment.start), data, size);
}

AddResult MessageStoreWriter::addMail(std::string_view text, MessageInfo info, std::uint32_t& id) {
  if (failed_) return AddResult::WriteFailed;
  if (text.empty()) return AddResult::Empty;
  if (info.id == 0) info.id = lastId_ + 1;
  if (info.id <= lastId_) return AddResult::IdTaken;
  const std::uint64_t blocks = (text.size() + dbx::kDataAreaSize - 1) / dbx::kDataAreaSize;

  // Everything is placed on a copy of the space first: a mail that would take the store past
  // its limit changes nothing.
  StoreSpace space = space_;
  const Segment messageBefore = space.message;
  std::vector<std::uint64_t> at(blocks);
  for (std::uint64_t b = 0; b < blocks; ++b) at[b] = space.takeBlock();
  info.firstBlock = static_cast<std::uint32_t>(at[0]);
  const std::uint32_t recordLength = messageRecordFields(info).encodedLength();
  const Segment variableBefore = space.variable;
  const std::uint64_t recordAt = space.takeRecord(recordLength);
  const std::uint64_t end = physicalLengthOf(logicalEndOf(space.dataEnd, treeNodeCount(records_.size() + 1)));
  if (end > options_.limit) return AddResult::TooLarge;

  // The blocks, each into the image of its message segment.
  Segment current = messageBefore;
  std::uint8_t block[dbx::kBlockLength];
  for (std::uint64_t b = 0; b < blocks; ++b) {
    if (current.start == 0 || at[b] >= current.end()) {
      if (!flushSegment(current, messageImage_)) return AddResult::WriteFailed;
      if (messageImage_.empty()) messageImage_.assign(kMessageSegmentSize, 0);
      current = {at[b], kMessageSegmentSize, 0};
    }
    const std::size_t from = static_cast<std::size_t>(b * dbx::kDataAreaSize);
    const std::size_t used = std::min<std::size_t>(dbx::kDataAreaSize, text.size() - from);
    std::memset(block, 0, sizeof block);
    qm::storeLe32(block + dbx::kSelfOffsetField, static_cast<std::uint32_t>(at[b]));
    qm::storeLe32(block + dbx::kDataAreaSizeField, dbx::kDataAreaSize);
    qm::storeLe32(block + dbx::kUsedLengthField, static_cast<std::uint32_t>(used));
    qm::storeLe32(block + dbx::kNextOffsetField, b + 1 < blocks ? static_cast<std::uint32_t>(at[b + 1]) : 0);
    std::memcpy(block + dbx::kBlockHeaderLength, text.data() + from, used);
    place(messageImage_, current, at[b], block, sizeof block);
  }

  // The record, into the image of its variable segment.
  if (space.variable.start != variableBefore.start) {
    if (!flushSegment(variableBefore, variableImage_)) return AddResult::WriteFailed;
  }
  const std::vector<std::uint8_t> record = messageRecordFields(info).encode(static_cast<std::uint32_t>(recordAt), 1);
  place(variableImage_, space.variable, recordAt, record.data(), record.size());

  space_ = space;
  records_.push_back(static_cast<std::uint32_t>(recordAt));
  recordBytes_ += record.size();
  blockCount_ += blocks;
  lastId_ = info.id;
  id = info.id;
  finished_ = false;
  return AddResult::Added;
}

std::vector<std::uint8_t> MessageStoreWriter::header(std::uint64_t treeStart, std::uint64_t nodes,
                                                     std::uint32_t root) const {
  std::vector<std::uint8_t> h(kFirstSectorEnd, 0);
  auto put = [&](std::size_t offset, std::uint64_t value) { qm::storeLe32(h.data() + offset, static_cast<std::uint32_t>(value)); };
  qm::storeLe32(h.data(), dbx::kFileMagic);
  std::copy(kMessageStoreGuid.begin(), kMessageStoreGuid.end(), h.begin() + kKindGuidOffset);
  put(kVersionA, kVersionValue);
  put(kVersionB, kVersionValue);
  put(kFileInfoLength, kMessageFileInfoLength);
  put(kLastVariableStart, space_.variable.start);
  put(kLastVariableSize, space_.variable.size);
  put(kLastVariableUsed, space_.variable.used);
  const std::uint64_t perSegment = kTreeSegmentSize / kNodeLength;
  const std::uint64_t treeSegments = (nodes + perSegment - 1) / perSegment;
  if (nodes > 0) {
    put(kLastTreeStart, treeStart + (treeSegments - 1) * kTreeSegmentSize);
    put(kLastTreeSize, kTreeSegmentSize);
    put(kLastTreeUsed, (nodes - (treeSegments - 1) * perSegment) * kNodeLength);
  }
  if (space_.message.start != 0) {
    put(kLastMessageStart, space_.message.start);
    put(kLastMessageSize, space_.message.size);
    put(kLastMessageUsed, space_.message.used);
  }
  const std::uint64_t nodeBytes = nodes * kNodeLength;
  put(kBytesHandedOut, space_.handedOut + nodeBytes);
  put(kLastId, lastId_);
  put(kUnknown64, 1);
  put(kLogicalEnd, logicalEndOf(space_.dataEnd, nodes));
  put(kTreeCountField, kMessageTrees);
  put(kFilterObjects + 4, kFirstSectorEnd);
  put(kTreeValueCounts, records_.size());
  put(kTreeRoots, root);
  put(kTreeCopies + 4, 1);
  put(kLiveRecordBytes, recordBytes_);
  put(kLiveFilterBytes, kMessageFilterLength);
  put(kLiveNodeBytes, nodeBytes);
  put(kLiveBlockBytes, blockCount_ * dbx::kBlockLength);
  // Sort keys: tree 0 by mail id; tree 1 by Message-ID, then mail id.
  h[kSortDescriptions] = 1;
  h[kSortDescriptions + kSortDescriptionLength] = 2;
  h[kSortDescriptions + kSortDescriptionLength + 2] = static_cast<std::uint8_t>(kColumnMessageId);
  put(kUnknown244C, kUnknown244CValue);

  std::uint8_t* info = h.data() + kFileInfoStart;
  qm::storeLe32(info + kInfoOne, 1);
  info[kInfoAccountKind] = kLocalStore;
  putText(info + kInfoAccountKey, kInfoFolderName - kInfoAccountKey, kLocalStoreKey);
  putText(info + kInfoFolderName, kInfoFolderNameRoom, options_.folderName);
  qm::storeLe32(info + kInfoThree, 3);
  qm::storeLe32(info + kInfoFFA, 0xFFA);
  qm::storeLe32(info + kInfoFolderId, options_.folderId);
  info[kInfoNeverOpened + 2] = 1;
  return h;
}

bool MessageStoreWriter::finish() {
  if (failed_) return false;
  // The segments being filled, whole, so their unused tails are zero on the disk.
  if (!writeAt(space_.variable.start, variableImage_.data(), variableImage_.size())) return false;
  if (space_.message.start != 0 && !writeAt(space_.message.start, messageImage_.data(), messageImage_.size())) return false;
  const std::vector<PlannedNode> tree = planTree(records_);
  const std::uint64_t treeStart = space_.dataEnd;
  const std::vector<std::uint8_t> nodes = encodeTree(tree, static_cast<std::uint32_t>(treeStart));
  const std::uint32_t root = tree.empty() ? 0 : static_cast<std::uint32_t>(treeStart);
  if (!nodes.empty() && !writeAt(treeStart, nodes.data(), nodes.size())) return false;
  // Zeros from the end of the last node to the file's physical end.
  const std::uint64_t logicalEnd = logicalEndOf(space_.dataEnd, tree.size());
  const std::uint64_t nodesEnd = treeStart + nodes.size();
  const std::uint64_t physicalEnd = physicalLengthOf(logicalEnd);
  const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(physicalEnd - nodesEnd), 0);
  if (!zeros.empty() && !writeAt(nodesEnd, zeros.data(), zeros.size())) return false;
  const std::vector<std::uint8_t> h = header(treeStart, tree.size(), root);
  if (!writeAt(0, h.data(), h.size())) return false;
  if (std::fflush(file_.get()) != 0) failed_ = true;
  finished_ = !failed_;
  return finished_;
}

bool MessageStoreWriter::close() {
  if (!file_) return !failed_;
  const bool ok = finished_ || finish();
  if (std::fclose(file_.release()) != 0) failed_ = true;
  return ok && !failed_;
}

}  // namespace oe
