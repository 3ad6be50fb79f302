// On-disk layout of the node database layer of a Unicode personal folder file (MS-PST 2.2.2).
// Offsets and sizes only; reading and writing go through platform/bytes.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::pst {

using Nid = std::uint32_t;
using Bid = std::uint64_t;

// MS-PST 2.2.2.6 HEADER (Unicode).
namespace header {
inline constexpr std::size_t kSize = 564;
inline constexpr std::uint32_t kMagic = 0x4E444221;  // "!BDN"
inline constexpr std::uint16_t kMagicClient = 0x4D53;  // "SM"
inline constexpr std::uint16_t kVersionUnicode = 23;
inline constexpr std::uint16_t kClientVersion = 19;
inline constexpr std::size_t kCrcPartial = 4;
inline constexpr std::size_t kMagicClientAt = 8;
inline constexpr std::size_t kVer = 10;
inline constexpr std::size_t kVerClient = 12;
inline constexpr std::size_t kPlatformCreate = 14;
inline constexpr std::size_t kPlatformAccess = 15;
inline constexpr std::size_t kBidNextP = 0x20;
inline constexpr std::size_t kUnique = 0x28;
inline constexpr std::size_t kRgnid = 0x2C;  // 32 DWORDs
inline constexpr std::size_t kRoot = 0xB4;
inline constexpr std::size_t kRgbFM = 0x100;  // 128 bytes
inline constexpr std::size_t kRgbFP = 0x180;  // 128 bytes
inline constexpr std::size_t kSentinel = 0x200;
inline constexpr std::size_t kCryptMethod = 0x201;
inline constexpr std::size_t kBidNextB = 0x204;
inline constexpr std::size_t kCrcFull = 0x20C;
inline constexpr std::size_t kCrcPartialFrom = 8, kCrcPartialLength = 471;
inline constexpr std::size_t kCrcFullFrom = 8, kCrcFullLength = 516;
inline constexpr std::uint8_t kSentinelValue = 0x80;
inline constexpr std::uint8_t kCryptNone = 0, kCryptPermute = 1;
}  // namespace header

// MS-PST 2.2.2.5 ROOT, relative to header::kRoot.
namespace root {
inline constexpr std::size_t kFileEof = 4;
inline constexpr std::size_t kAMapLast = 12;
inline constexpr std::size_t kAMapFree = 20;
inline constexpr std::size_t kPMapFree = 28;
inline constexpr std::size_t kNbt = 36;  // BREF: bid, ib
inline constexpr std::size_t kBbt = 52;
inline constexpr std::size_t kAMapValid = 68;
inline constexpr std::size_t kSize = 72;
inline constexpr std::uint8_t kValidAMap2 = 2;
}  // namespace root
static_assert(header::kRoot + root::kSize <= header::kRgbFM);

// MS-PST 2.2.2.7 pages: 512 bytes with a 16-byte trailer.
namespace page {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kTrailerAt = 496;
inline constexpr std::size_t kBodySize = 496;
inline constexpr std::uint8_t kTypeBbt = 0x80, kTypeNbt = 0x81, kTypeFMap = 0x82, kTypePMap = 0x83,
                              kTypeAMap = 0x84, kTypeFPMap = 0x85, kTypeDList = 0x86;
}  // namespace page
static_assert(page::kTrailerAt + 16 == page::kSize);

// MS-PST 2.2.2.7.7 BTPAGE.
namespace btpage {
inline constexpr std::size_t kEntriesSize = 488;
inline constexpr std::size_t kCEnt = 488, kCEntMax = 489, kCbEnt = 490, kCLevel = 491;
inline constexpr std::size_t kBtEntrySize = 24;   // BTENTRY: key, BREF
inline constexpr std::size_t kBbtEntrySize = 24;  // BBTENTRY: BREF, cb, cRef, pad
inline constexpr std::size_t kNbtEntrySize = 32;  // NBTENTRY: nid, bidData, bidSub, nidParent, pad
inline constexpr std::size_t kMaxBt = kEntriesSize / kBtEntrySize;    // 20
inline constexpr std::size_t kMaxBbt = kEntriesSize / kBbtEntrySize;  // 20
inline constexpr std::size_t kMaxNbt = kEntriesSize / kNbtEntrySize;  // 15
}  // namespace btpage
static_assert(btpage::kMaxBt == 20 && btpage::kMaxNbt == 15);

// MS-PST 2.2.2.7.2-5 allocation maps: one AMap per 253,952 bytes from 0x4400.
namespace amap {
inline constexpr std::uint64_t kFirst = 0x4400;
inline constexpr std::uint64_t kSlot = 64;
inline constexpr std::uint64_t kBitsPerMap = page::kBodySize * 8;  // 3968
inline constexpr std::uint64_t kRegionSize = kBitsPerMap * kSlot;  // 253,952
inline constexpr std::uint64_t kDList = 0x4200;
inline constexpr std::uint64_t kPMapEvery = 8;        // a PMap with every 8th AMap
inline constexpr std::uint64_t kFMapFirst = 128;      // the header's FMap covers AMaps 0..127
inline constexpr std::uint64_t kFMapEvery = 496;
inline constexpr std::uint64_t kFPMapFirst = 128 * 64;
inline constexpr std::uint64_t kFPMapEvery = 496 * 64;
}  // namespace amap
static_assert(amap::kRegionSize == 253952);

// MS-PST 2.2.2.8 blocks: data, then padding to 64 bytes, then a 16-byte trailer.
namespace block {
inline constexpr std::size_t kTrailerSize = 16;
inline constexpr std::size_t kMaxSize = 8192;
inline constexpr std::size_t kMaxData = kMaxSize - kTrailerSize;  // 8176
inline constexpr std::uint8_t kTypeX = 0x01, kTypeSubnode = 0x02;
inline constexpr std::size_t kXHeader = 8;  // btype, cLevel, cEnt, lcbTotal
inline constexpr std::size_t kMaxXEntries = (kMaxData - kXHeader) / 8;  // 1021
inline constexpr std::size_t kSlEntrySize = 24;
inline constexpr std::size_t kSiEntrySize = 16;
inline constexpr std::size_t kMaxSlEntries = (kMaxData - kXHeader) / kSlEntrySize;  // 340
inline constexpr std::size_t kMaxSiEntries = (kMaxData - kXHeader) / kSiEntrySize;  // 510
inline constexpr Bid kInternalBit = 0x2;
inline constexpr Bid kBidStep = 4;

constexpr std::size_t allocatedSize(std::size_t cb) { return (cb + kTrailerSize + 63) / 64 * 64; }
}  // namespace block
static_assert(block::kMaxXEntries == 1021);
static_assert(block::allocatedSize(block::kMaxData) == block::kMaxSize);

// MS-PST 2.2.2.1 NID types.
enum NidType : std::uint8_t {
  kNidHid = 0x00,
  kNidInternal = 0x01,
  kNidNormalFolder = 0x02,
  kNidSearchFolder = 0x03,
  kNidNormalMessage = 0x04,
  kNidAttachment = 0x05,
  kNidSearchUpdateQueue = 0x06,
  kNidSearchCriteriaObject = 0x07,
  kNidAssocMessage = 0x08,
  kNidContentsTableIndex = 0x0A,
  kNidTypeReceiveFolderTable = 0x0B,
  kNidTypeOutgoingQueueTable = 0x0C,
  kNidHierarchyTable = 0x0D,
  kNidContentsTable = 0x0E,
  kNidAssocContentsTable = 0x0F,
  kNidSearchContentsTable = 0x10,
  kNidAttachmentTable = 0x11,
  kNidRecipientTable = 0x12,
  kNidSearchTableIndex = 0x13,
  kNidLtp = 0x1F,
};
constexpr Nid makeNid(NidType type, std::uint32_t index) { return (index << 5) | type; }
constexpr NidType nidType(Nid nid) { return static_cast<NidType>(nid & 0x1F); }
constexpr std::uint32_t nidIndex(Nid nid) { return nid >> 5; }

// MS-PST 2.4.1 the store's fixed internal NIDs.
inline constexpr Nid kNidMessageStore = 0x21;
inline constexpr Nid kNidNameToIdMap = 0x61;
inline constexpr Nid kNidNormalFolderTemplate = 0xA1;
inline constexpr Nid kNidSearchFolderTemplate = 0xC1;
inline constexpr Nid kNidRootFolder = 0x122;
inline constexpr Nid kNidSearchManagementQueue = 0x1E1;
inline constexpr Nid kNidSearchActivityList = 0x201;
inline constexpr Nid kNidSearchDomainObject = 0x261;
inline constexpr Nid kNidHierarchyTableTemplate = 0x60D;
inline constexpr Nid kNidContentsTableTemplate = 0x60E;
inline constexpr Nid kNidAssocContentsTableTemplate = 0x60F;
inline constexpr Nid kNidSearchContentsTableTemplate = 0x610;
inline constexpr Nid kNidReceiveFolderTable = 0x62B;
inline constexpr Nid kNidOutgoingQueueTable = 0x64C;
inline constexpr Nid kNidAttachmentTableTemplate = 0x671;
inline constexpr Nid kNidRecipientTableTemplate = 0x692;
inline constexpr Nid kNidContentsIndexTemplate = 0x6B6;
inline constexpr Nid kNidSearchIndexTemplate = 0x6D7;
inline constexpr Nid kNidAttachmentIndexTemplate = 0x6F8;
inline constexpr Nid kNidSearchGathererQueue = 0xE41;
inline constexpr Nid kNidSearchGathererDescriptor = 0xEC1;
inline constexpr Nid kNidSearchGathererFolderQueue = 0xF21;
inline constexpr Nid kNidSpamSearchFolder = 0x2223;
inline constexpr Nid kNidIpmSubtree = 0x8022;
inline constexpr Nid kNidSearchRoot = 0x8042;
inline constexpr Nid kNidDeletedItems = 0x8062;
inline constexpr Nid kNidCommonViews = 0x8082;

// The table NIDs that belong to a folder share its index (MS-PST 2.4.4).
constexpr Nid tableOf(Nid folder, NidType type) { return makeNid(type, nidIndex(folder)); }

}  // namespace qm::pst
