// Reads a store file through its index only: the file header, the index trees and the
// records they point at; for a message store, each mail's message info and, on demand, its
// text through its block chain. Nothing here scans the file's raw bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "oestore/index_tree.h"
#include "oestore/message_info.h"
#include "oestore/message_text.h"
#include "oestore/store_format.h"
#include "oestore/store_source.h"

namespace oe {

enum class StoreKind { MessageStore, FolderList, OtherKind, NotAStore };

struct StoreHeader {
  StoreKind kind = StoreKind::NotAStore;
  std::uint32_t fileInfoLength = 0;
  std::uint32_t bytesHandedOut = 0;
  std::uint32_t bytesFreed = 0;
  std::uint32_t lastId = 0;
  std::uint32_t logicalEnd = 0;
  std::uint32_t treeCount = 0;  // as stored; only the first kMaxTrees are read
  std::array<std::uint32_t, kMaxTrees> treeRoots{};
  std::array<std::uint32_t, kMaxTrees> treeCounts{};
  std::array<std::uint32_t, 6> liveBytes{};  // records, filters, -, folder list, nodes, blocks
  std::uint32_t lastVariableStart = 0, lastVariableSize = 0, lastVariableUsed = 0;
  std::uint32_t lastTreeStart = 0, lastTreeSize = 0, lastTreeUsed = 0;
  std::uint32_t lastMessageStart = 0, lastMessageSize = 0, lastMessageUsed = 0;
  std::string folderName;  // from a message store's file info
};

// The header of the file; kind NotAStore when the file is shorter than a header or its
// magic differs.
StoreHeader readStoreHeader(StoreSource& source);

struct IndexedMail {
  std::uint32_t record = 0;  // file offset of its message info record
  MessageInfo info;
};

struct MessageIndex {
  StoreHeader header;
  std::vector<IndexedMail> mails;     // in tree order
  std::vector<std::string> problems;  // the tree's and the records' faults
};

// The mails that tree 0 of a message store lists. A record that cannot be read is left out
// with a problem; a store of another kind gives no mails and a problem.
MessageIndex readMessageIndex(StoreSource& source);

const char* storeKindName(StoreKind kind);

}  // namespace oe
