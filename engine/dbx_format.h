// The layout of an Outlook Express message store, as far as the engine relies on it: the
// 8-byte file signature and the 528-byte message data blocks that carry the mail text. All
// fields are unsigned 32-bit little-endian values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bytes.h"

namespace dbx {

// File signature, offset 0.
inline constexpr std::uint32_t kFileMagic = 0xFE12ADCF;         // bytes CF AD 12 FE
inline constexpr std::uint32_t kMessageStoreKind = 0x6F74FDC5;  // bytes C5 FD 74 6F
inline constexpr std::size_t kSignatureLength = 8;

// Message data block: a 16-byte header and a 512-byte data area, at any offset.
inline constexpr std::size_t kSelfOffsetField = 0;
inline constexpr std::size_t kDataAreaSizeField = 4;
inline constexpr std::size_t kUsedLengthField = 8;
inline constexpr std::size_t kNextOffsetField = 12;
inline constexpr std::size_t kBlockHeaderLength = 16;
inline constexpr std::uint32_t kDataAreaSize = 512;  // the value the block scan looks for
inline constexpr std::size_t kBlockLength = kBlockHeaderLength + kDataAreaSize;
// Smallest accepted self offset and nonzero next-block offset.
inline constexpr std::uint32_t kSmallestOffset = 60116;  // 0xEAD4

struct BlockHeader {
  std::uint32_t selfOffset;
  std::uint32_t dataAreaSize;
  std::uint32_t usedLength;
  std::uint32_t nextOffset;
};
static_assert(sizeof(BlockHeader) == kBlockHeaderLength);
static_assert(kBlockLength == 0x210);
static_assert(kNextOffsetField + 4 == kBlockHeaderLength);

// Reads a block header from the first 16 bytes at p.
inline BlockHeader readBlockHeader(const std::uint8_t* p) {
  return {qm::loadLe32(p + kSelfOffsetField), qm::loadLe32(p + kDataAreaSizeField),
          qm::loadLe32(p + kUsedLengthField), qm::loadLe32(p + kNextOffsetField)};
}

// The acceptance rule for a block header found by the scan (all comparisons unsigned).
inline bool acceptsBlock(std::uint32_t selfOffset, std::uint32_t usedLength,
                         std::uint32_t nextOffset, std::uint64_t fileSize) {
  if (selfOffset < kSmallestOffset) return false;
  if (usedLength < 1 || usedLength > kDataAreaSize) return false;
  return nextOffset == 0 || (usedLength == kDataAreaSize && nextOffset >= kSmallestOffset &&
                             nextOffset < fileSize);
}

enum class SignatureKind {
  MessageStore,  // right magic, message-store kind
  OtherKind,     // right magic, another kind (folder list, POP3 id list, offline store)
  NotDbx,        // wrong magic, or fewer than 8 bytes
};

inline SignatureKind classifySignature(qm::Bytes firstBytes) {
  if (firstBytes.size() < kSignatureLength) return SignatureKind::NotDbx;
  if (qm::loadLe32(firstBytes.data()) != kFileMagic) return SignatureKind::NotDbx;
  return qm::loadLe32(firstBytes.data() + 4) == kMessageStoreKind ? SignatureKind::MessageStore
                                                                   : SignatureKind::OtherKind;
}

}  // namespace dbx
