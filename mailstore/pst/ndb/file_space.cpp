#include "mailstore/pst/ndb/file_space.h"

#include "mailstore/pst/ndb/ndb_format.h"

namespace qm::pst {

FileSpace::FileSpace() { addRegion(); }

std::uint64_t FileSpace::regionBase(std::uint64_t region) {
  return amap::kFirst + region * amap::kRegionSize;
}
bool FileSpace::hasPMap(std::uint64_t region) { return region % amap::kPMapEvery == 0; }
bool FileSpace::hasFMap(std::uint64_t region) {
  return region >= amap::kFMapFirst && (region - amap::kFMapFirst) % amap::kFMapEvery == 0;
}
bool FileSpace::hasFPMap(std::uint64_t region) {
  return region >= amap::kFPMapFirst && (region - amap::kFPMapFirst) % amap::kFPMapEvery == 0;
}

void FileSpace::addRegion() {
  const std::uint64_t k = regions_++;
  bits_.resize(regions_ * 496, 0);
  dirty_.resize(regions_, true);
  freeSlots_ += amap::kBitsPerMap;
  const std::uint64_t base = regionBase(k);
  std::uint64_t end = base + page::kSize;  // the AMap maps itself
  mark(base, page::kSize, true);
  if (hasPMap(k)) mark(pmapOffset(k), page::kSize, true), end = pmapOffset(k) + page::kSize;
  if (hasFMap(k)) mark(fmapOffset(k), page::kSize, true), end = fmapOffset(k) + page::kSize;
  if (hasFPMap(k)) mark(fpmapOffset(k), page::kSize, true), end = fpmapOffset(k) + page::kSize;
  cursor_ = end;
}

void FileSpace::mark(std::uint64_t offset, std::uint64_t size, bool used) {
  const std::uint64_t region = (offset - amap::kFirst) / amap::kRegionSize;
  std::uint64_t bit = (offset - regionBase(region)) / amap::kSlot;
  std::uint8_t* bits = &bits_[region * 496];
  for (std::uint64_t n = size / amap::kSlot; n > 0;) {
    if (bit % 8 == 0 && n >= 8) {
      // Whole bytes at a time where the run covers them.
      bits[bit / 8] = used ? 0xFF : 0x00;
      bit += 8, n -= 8;
      continue;
    }
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
    if (used) bits[bit / 8] |= mask;
    else bits[bit / 8] &= static_cast<std::uint8_t>(~mask);
    ++bit, --n;
  }
  if (used) freeSlots_ -= size / amap::kSlot;
  else freeSlots_ += size / amap::kSlot;
  dirty_[region] = true;
}

std::uint64_t FileSpace::bump(std::uint32_t size, std::uint32_t align) {
  std::uint64_t at = (cursor_ + align - 1) / align * align;
  if (at + size > regionBase(regions_)) {
    addRegion();
    at = (cursor_ + align - 1) / align * align;
  }
  cursor_ = at + size;
  return at;
}

std::uint64_t FileSpace::allocateBlock(std::uint32_t size) {
  std::uint64_t at;
  auto it = freeBlocks_.find(size);
  if (it != freeBlocks_.end() && !it->second.empty()) {
    at = it->second.back();
    it->second.pop_back();
  } else {
    at = bump(size, 64);
  }
  mark(at, size, true);
  return at;
}

std::uint64_t FileSpace::allocatePage() {
  std::uint64_t at;
  if (!freePages_.empty()) {
    at = freePages_.back();
    freePages_.pop_back();
  } else {
    at = bump(page::kSize, page::kSize);
  }
  mark(at, page::kSize, true);
  return at;
}

void FileSpace::release(std::uint64_t offset, std::uint32_t size) {
  mark(offset, size, false);
  pending_.emplace_back(offset, size);
}

void FileSpace::commit() {
  for (const auto& [offset, size] : pending_) {
    if (size == page::kSize && offset % page::kSize == 0) freePages_.push_back(offset);
    else freeBlocks_[size].push_back(offset);
  }
  pending_.clear();
}

std::uint8_t FileSpace::longestFreeRun(std::uint64_t region) const {
  const std::uint8_t* bits = amapBits(region);
  unsigned best = 0, run = 0;
  for (std::uint64_t bit = 0; bit < amap::kBitsPerMap && best < 255;) {
    // Bytes wholly used or wholly free are taken at once: most regions are full.
    const std::uint8_t byte = bits[bit / 8];
    if (bit % 8 == 0 && (byte == 0xFF || byte == 0x00) && bit + 8 <= amap::kBitsPerMap) {
      run = byte == 0xFF ? 0 : run + 8;
      if (run > best) best = run;
      bit += 8;
      continue;
    }
    if (byte & (0x80 >> (bit % 8))) run = 0;
    else if (++run > best) best = run;
    ++bit;
  }
  return static_cast<std::uint8_t>(best > 255 ? 255 : best);
}

std::vector<std::uint64_t> FileSpace::takeDirtyRegions() {
  std::vector<std::uint64_t> out;
  for (std::uint64_t k = 0; k < regions_; ++k)
    if (dirty_[k]) out.push_back(k), dirty_[k] = false;
  return out;
}

}  // namespace qm::pst
