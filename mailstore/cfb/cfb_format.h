// The compound file layout (MS-CFB), version 3: 512-byte sectors, 64-byte mini sectors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::cfb {

inline constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::uint16_t kMinorVersion = 0x003E;
inline constexpr std::uint16_t kMajorVersion3 = 0x0003;
inline constexpr std::uint16_t kByteOrder = 0xFFFE;
inline constexpr std::uint16_t kSectorShift3 = 9;
inline constexpr std::uint16_t kMiniSectorShift = 6;
inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kMiniSectorSize = 64;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;

// Special sector numbers (2.1).
inline constexpr std::uint32_t MAXREGSECT = 0xFFFFFFFA;
inline constexpr std::uint32_t DIFSECT = 0xFFFFFFFC;
inline constexpr std::uint32_t FATSECT = 0xFFFFFFFD;
inline constexpr std::uint32_t ENDOFCHAIN = 0xFFFFFFFE;
inline constexpr std::uint32_t FREESECT = 0xFFFFFFFF;
// Special stream ids (2.6.3).
inline constexpr std::uint32_t MAXREGSID = 0xFFFFFFFA;
inline constexpr std::uint32_t NOSTREAM = 0xFFFFFFFF;

// Header fields (2.2), by offset.
namespace header {
inline constexpr std::size_t kSignatureAt = 0x00;
inline constexpr std::size_t kClsidAt = 0x08;
inline constexpr std::size_t kMinorVersionAt = 0x18;
inline constexpr std::size_t kMajorVersionAt = 0x1A;
inline constexpr std::size_t kByteOrderAt = 0x1C;
inline constexpr std::size_t kSectorShiftAt = 0x1E;
inline constexpr std::size_t kMiniSectorShiftAt = 0x20;
inline constexpr std::size_t kReservedAt = 0x22;  // 6 bytes
inline constexpr std::size_t kDirectorySectorsAt = 0x28;
inline constexpr std::size_t kFatSectorsAt = 0x2C;
inline constexpr std::size_t kFirstDirectorySectorAt = 0x30;
inline constexpr std::size_t kTransactionSignatureAt = 0x34;
inline constexpr std::size_t kMiniStreamCutoffAt = 0x38;
inline constexpr std::size_t kFirstMiniFatSectorAt = 0x3C;
inline constexpr std::size_t kMiniFatSectorsAt = 0x40;
inline constexpr std::size_t kFirstDifatSectorAt = 0x44;
inline constexpr std::size_t kDifatSectorsAt = 0x48;
inline constexpr std::size_t kDifatAt = 0x4C;
inline constexpr std::size_t kDifatInHeader = 109;
inline constexpr std::size_t kSize = 512;
static_assert(kDifatAt + 4 * kDifatInHeader == kSize);
}  // namespace header

// Sector numbers per FAT sector and per DIFAT sector (the last entry of a DIFAT sector
// points at the next one).
inline constexpr std::size_t kFatEntriesPerSector = kSectorSize / 4;
inline constexpr std::size_t kDifatEntriesPerSector = kSectorSize / 4 - 1;

// Directory entry fields (2.6), by offset within the 128-byte entry.
namespace dirent {
inline constexpr std::size_t kNameAt = 0x00;  // 32 UTF-16 code units with the terminator
inline constexpr std::size_t kNameMaxUnits = 31;
inline constexpr std::size_t kNameLengthAt = 0x40;  // bytes, terminator included
inline constexpr std::size_t kTypeAt = 0x42;
inline constexpr std::size_t kColorAt = 0x43;
inline constexpr std::size_t kLeftAt = 0x44;
inline constexpr std::size_t kRightAt = 0x48;
inline constexpr std::size_t kChildAt = 0x4C;
inline constexpr std::size_t kClsidAt = 0x50;
inline constexpr std::size_t kStateBitsAt = 0x60;
inline constexpr std::size_t kCreationTimeAt = 0x64;
inline constexpr std::size_t kModifiedTimeAt = 0x6C;
inline constexpr std::size_t kStartSectorAt = 0x74;
inline constexpr std::size_t kStreamSizeAt = 0x78;
inline constexpr std::size_t kSize = 128;
static_assert(kStreamSizeAt + 8 == kSize);
static_assert(kSectorSize % kSize == 0);
inline constexpr std::size_t kPerSector = kSectorSize / kSize;
}  // namespace dirent

enum class ObjectType : std::uint8_t { Unknown = 0, Storage = 1, Stream = 2, Root = 5 };
enum class Color : std::uint8_t { Red = 0, Black = 1 };

// The order of siblings in a storage's tree (2.6.4): shorter names first, names of equal
// length by their upper-case code units. Negative, zero or positive like strcmp.
int compareNames(const char16_t* a, std::size_t aLen, const char16_t* b, std::size_t bLen);

}  // namespace qm::cfb
