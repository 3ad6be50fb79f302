// The layout of an Outlook Express 5/6 store file (.dbx) as far as the index goes: the file
// header, the segments objects live in, the nodes of the index trees and the indexed-info
// records they point at. Message stores and the folder list share all of it; the message
// text blocks are the engine's (engine/dbx_format.h). Little-endian 32-bit fields unless
// noted; every object starts with its own file offset (its "self" field).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/dbx_format.h"

namespace oe {

// File header.
inline constexpr std::size_t kHeaderLength = 0x24BC;
inline constexpr std::size_t kKindGuidOffset = 0x04;  // 16 bytes; the first four are the kind
inline constexpr std::array<std::uint8_t, 16> kMessageStoreGuid = {
    0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
inline constexpr std::uint8_t kFolderListGuidFirst = 0xC6;
inline constexpr std::size_t kVersionA = 0x14;
inline constexpr std::size_t kVersionB = 0x18;
inline constexpr std::size_t kFileInfoLength = 0x1C;
inline constexpr std::size_t kLastVariableStart = 0x24;
inline constexpr std::size_t kLastVariableSize = 0x28;
inline constexpr std::size_t kLastVariableUsed = 0x2C;
inline constexpr std::size_t kLastTreeStart = 0x30;
inline constexpr std::size_t kLastTreeSize = 0x34;
inline constexpr std::size_t kLastTreeUsed = 0x38;
inline constexpr std::size_t kLastMessageStart = 0x3C;
inline constexpr std::size_t kLastMessageSize = 0x40;
inline constexpr std::size_t kLastMessageUsed = 0x44;
inline constexpr std::size_t kFreedBlocksHead = 0x48;
inline constexpr std::size_t kFreedNodesHead = 0x4C;
inline constexpr std::size_t kBytesHandedOut = 0x54;
inline constexpr std::size_t kBytesFreed = 0x58;
inline constexpr std::size_t kLastId = 0x5C;
inline constexpr std::size_t kUnknown64 = 0x64;
inline constexpr std::size_t kLogicalEnd = 0x7C;
inline constexpr std::size_t kTreeCountField = 0x80;
inline constexpr std::size_t kFilterObjects = 0x84;   // + 4·tree
inline constexpr std::size_t kTreeValueCounts = 0xC4; // + 4·tree
inline constexpr std::size_t kTreeRoots = 0xE4;       // + 4·tree
inline constexpr std::size_t kTreeCopies = 0x104;     // + 4·tree, meaning unknown
inline constexpr std::uint32_t kMaxTrees = 8;
// Live bytes per object kind.
inline constexpr std::size_t kLiveRecordBytes = 0x27C;
inline constexpr std::size_t kLiveFilterBytes = 0x280;
inline constexpr std::size_t kLiveFolderListBytes = 0x288;
inline constexpr std::size_t kLiveNodeBytes = 0x28C;
inline constexpr std::size_t kLiveBlockBytes = 0x290;
inline constexpr std::size_t kSortDescriptions = 0x22BC;  // 0x32 bytes per tree
inline constexpr std::size_t kSortDescriptionLength = 0x32;
inline constexpr std::size_t kUnknown244C = 0x244C;

// Message store values.
inline constexpr std::uint32_t kVersionValue = 5;
inline constexpr std::uint32_t kMessageFileInfoLength = 0x618;
inline constexpr std::uint32_t kMessageTrees = 2;  // by id, and watched or ignored threads
inline constexpr std::uint32_t kEmptyLastId = 1;
inline constexpr std::uint32_t kFirstMailId = 2;
inline constexpr std::uint32_t kUnknown244CValue = 0x68;
inline constexpr std::uint32_t kColumnMailId = 0x00;
inline constexpr std::uint32_t kColumnMessageId = 0x07;

// File info of a message store, right after the header.
inline constexpr std::size_t kFileInfoStart = kHeaderLength;
inline constexpr std::size_t kInfoOne = 0x000;
inline constexpr std::size_t kInfoAccountKind = 0x004;  // u8
inline constexpr std::uint8_t kLocalStore = 3;
inline constexpr std::size_t kInfoAccountKey = 0x005;
inline constexpr std::size_t kInfoFolderName = 0x105;
inline constexpr std::size_t kInfoFolderNameRoom = 0x208 - 0x105;
inline constexpr std::size_t kInfoSpecialKind = 0x208;
inline constexpr std::size_t kInfoThree = 0x210;
inline constexpr std::size_t kInfoFFA = 0x21C;
inline constexpr std::size_t kInfoFolderId = 0x224;
inline constexpr std::size_t kInfoNeverOpened = 0x348;  // bytes 00 00 01 00
inline constexpr const char* kLocalStoreKey = "LocalStore";

// Segments: plain runs of objects, appended at the logical end when their kind needs room.
inline constexpr std::uint32_t kFirstSectorEnd = kHeaderLength + kMessageFileInfoLength;  // 0x2AD4
inline constexpr std::uint32_t kVariableSegmentSize = 0xC000;
inline constexpr std::uint32_t kMessageSegmentSize = 0xF780;  // 120 blocks
inline constexpr std::uint32_t kTreeSegmentSize = 0x3E1C;     // 25 nodes
inline constexpr std::uint32_t kReserveStep = 0x10000;        // physical length grows by this
static_assert(kFirstSectorEnd == 0x2AD4);
static_assert(kMessageSegmentSize % dbx::kBlockLength == 0);

// The filter object at the start of a message store's first variable segment: it selects
// the records of tree 1.
inline constexpr const char* kMessageFilterText =
    "((MSGCOL_FLAGS & ARF_WATCH) != 0 || (MSGCOL_FLAGS & ARF_IGNORE) != 0)";
inline constexpr std::uint32_t kMessageFilterLength = 0x50;

// Tree node.
inline constexpr std::size_t kNodeLength = 0x27C;
inline constexpr std::size_t kNodeSelf = 0x00;
inline constexpr std::size_t kNodeLeftChild = 0x08;
inline constexpr std::size_t kNodeParent = 0x0C;
inline constexpr std::size_t kNodeId = 0x10;          // u8
inline constexpr std::size_t kNodeEntryCount = 0x11;  // u8
inline constexpr std::size_t kNodeLeftCount = 0x14;
inline constexpr std::size_t kNodeEntries = 0x18;
inline constexpr std::size_t kEntryLength = 12;  // value, child, values below the child
inline constexpr std::uint32_t kNodeCapacity = 0x33;
static_assert(kNodeEntries + kNodeCapacity * kEntryLength == kNodeLength);
static_assert(kTreeSegmentSize == 25 * kNodeLength);

// Indexed-info record.
inline constexpr std::size_t kRecordSelf = 0x00;
inline constexpr std::size_t kRecordBodyLength = 0x04;
inline constexpr std::size_t kRecordLength16 = 0x08;   // u16, often 0
inline constexpr std::size_t kRecordIndexCount = 0x0A; // u8
inline constexpr std::size_t kRecordChanges = 0x0B;    // u8
inline constexpr std::size_t kRecordHeaderLength = 0x0C;
inline constexpr std::uint32_t kDirectBit = 0x80;
inline constexpr std::uint32_t kIndexMask = 0x7F;
inline constexpr std::uint32_t kDirectLimit = 1u << 24;  // direct values hold 24 bits

// Message info record: index numbers.
namespace msg {
inline constexpr std::uint8_t kId = 0x00;
inline constexpr std::uint8_t kFlags = 0x01;
inline constexpr std::uint8_t kSentTime = 0x02;
inline constexpr std::uint8_t kBodyLines = 0x03;
inline constexpr std::uint8_t kFirstBlock = 0x04;
inline constexpr std::uint8_t kNormalizedSubject = 0x05;
inline constexpr std::uint8_t kStoredTime = 0x06;
inline constexpr std::uint8_t kMessageId = 0x07;
inline constexpr std::uint8_t kSubject = 0x08;
inline constexpr std::uint8_t kReferences = 0x0A;
inline constexpr std::uint8_t kSenderName = 0x0D;
inline constexpr std::uint8_t kSenderAddress = 0x0E;
inline constexpr std::uint8_t kPriority = 0x10;
inline constexpr std::uint8_t kTextLength = 0x11;
inline constexpr std::uint8_t kReceivedTime = 0x12;
inline constexpr std::uint8_t kRecipientNames = 0x13;
inline constexpr std::uint8_t kRecipientAddresses = 0x14;
}  // namespace msg

// Message flags.
inline constexpr std::uint32_t kFlagHasBody = 0x01;
inline constexpr std::uint32_t kFlagRead = 0x80;
inline constexpr std::uint32_t kFlagAttachment = 0x4000;
inline constexpr std::uint32_t kNormalPriority = 3;

// FILETIME: 100 ns ticks since 1601-01-01 UTC.
inline constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;
inline constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

// The largest store we write: Outlook Express fails on stores past 2 GiB.
inline constexpr std::uint64_t kStoreLimit = 0x80000000ULL;

}  // namespace oe
