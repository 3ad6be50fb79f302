// Space in the file (MS-PST 2.6.1): which 64-byte slots are in use, as the allocation maps
// record them, and where the next block or page goes. The file grows in whole AMap regions
// of 253,952 bytes; each region starts with its map pages.
//
// Space freed since the last commit is not reused before the next one, so the state that
// the header on disk describes is never overwritten.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace qm::pst {

class FileSpace {
 public:
  FileSpace();

  // A 64-aligned run of `size` bytes (a multiple of 64, at most 8192) for a block.
  std::uint64_t allocateBlock(std::uint32_t size);
  // A 512-aligned page.
  std::uint64_t allocatePage();
  void release(std::uint64_t offset, std::uint32_t size);
  // What was released since the last commit becomes reusable.
  void commit();

  // Region geometry (MS-PST 2.2.2.7.2 to 2.2.2.7.5).
  static std::uint64_t regionBase(std::uint64_t region);
  static bool hasPMap(std::uint64_t region);
  static bool hasFMap(std::uint64_t region);
  static bool hasFPMap(std::uint64_t region);
  static std::uint64_t pmapOffset(std::uint64_t region) { return regionBase(region) + 0x200; }
  static std::uint64_t fmapOffset(std::uint64_t region) { return regionBase(region) + 0x400; }
  static std::uint64_t fpmapOffset(std::uint64_t region) { return regionBase(region) + 0x600; }

  std::uint64_t regionCount() const { return regions_; }
  std::uint64_t fileEnd() const { return regionBase(regions_); }
  // The 496 bytes of region k's AMap, bits MSB-first.
  const std::uint8_t* amapBits(std::uint64_t region) const { return &bits_[region * 496]; }
  // The longest run of free slots in a region, at most 255 (an FMap byte).
  std::uint8_t longestFreeRun(std::uint64_t region) const;
  std::uint64_t freeBytes() const { return freeSlots_ * 64; }

  // Regions whose maps changed since the last call.
  std::vector<std::uint64_t> takeDirtyRegions();

 private:
  void addRegion();
  void mark(std::uint64_t offset, std::uint64_t size, bool used);
  std::uint64_t bump(std::uint32_t size, std::uint32_t align);

  std::vector<std::uint8_t> bits_;
  std::vector<bool> dirty_;
  std::uint64_t regions_ = 0;
  std::uint64_t cursor_ = 0;
  std::uint64_t freeSlots_ = 0;
  std::map<std::uint32_t, std::vector<std::uint64_t>> freeBlocks_;  // by size
  std::vector<std::uint64_t> freePages_;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> pending_;
};

}  // namespace qm::pst
