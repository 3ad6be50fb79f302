#include "engine/store_bytes.h"

#include <algorithm>
#include <limits>

#include "platform/files.h"

namespace {

constexpr std::size_t kReadWindow = std::size_t{1} << 20;

}  // namespace

std::size_t StoreBytes::defaultMappingLimit() {
  if constexpr (sizeof(void*) >= 8) return std::numeric_limits<std::size_t>::max();
  return std::size_t{64} << 20;
}

void StoreBytes::attach(std::FILE* file, std::uint64_t size) {
  detach();
  file_ = file;
  size_ = size;
  // The whole file at once when the limit allows it; the first window otherwise.
  if (mappingLimit_ > 0 && size_ > 0) mapWindow(0, 1);
}

void StoreBytes::detach() {
  mapping_.reset();
  file_ = nullptr;
  size_ = 0;
  mappingRefused_ = false;
  windowStart_ = 0;
  windowData_ = nullptr;
  windowSize_ = 0;
}

bool StoreBytes::inWindow(std::uint64_t offset, std::size_t length) const {
  if (offset >= size_) return true;  // an empty view moves nothing
  const std::uint64_t end = std::min<std::uint64_t>(offset + length, size_);
  return offset >= windowStart_ && end <= windowStart_ + windowSize_;
}

qm::Bytes StoreBytes::view(std::uint64_t offset, std::size_t length) {
  if (!file_ || offset >= size_) return {};
  length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
  if (!inWindow(offset, length)) {
    if (mappingLimit_ > 0 && !mappingRefused_) mapWindow(offset, length);
    if (!mapping_) readWindow(offset, length);
  }
  if (offset < windowStart_ || offset >= windowStart_ + windowSize_) return {};
  const auto at = static_cast<std::size_t>(offset - windowStart_);
  return {windowData_ + at, std::min(length, windowSize_ - at)};
}

// Maps the window that starts at the mapping boundary at or before `offset`: the whole
// file when the limit allows it, else as much of the limit as the file holds from there,
// and never less than the view asked for.
void StoreBytes::mapWindow(std::uint64_t offset, std::size_t length) {
  mapping_.reset();
  windowData_ = nullptr;
  windowSize_ = 0;
  const std::uint64_t granularity = qm::platform::mappingGranularity();
  const std::uint64_t start = offset / granularity * granularity;
  const std::uint64_t wanted = std::max<std::uint64_t>(mappingLimit_, offset + length - start);
  const std::uint64_t span = std::min(wanted, size_ - start);
  if (span > std::numeric_limits<std::size_t>::max()) {
    mappingRefused_ = true;
    return;
  }
  mapping_ = qm::platform::FileMapping::map(file_, start, static_cast<std::size_t>(span));
  if (!mapping_) {
    mappingRefused_ = true;  // read from here on
    return;
  }
  windowStart_ = start;
  windowData_ = mapping_->data();
  windowSize_ = mapping_->size();
}

void StoreBytes::readWindow(std::uint64_t offset, std::size_t length) {
  const std::size_t wanted = std::max(kReadWindow, length);
  if (readBufferSize_ < wanted) {
    readBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
    readBufferSize_ = wanted;
  }
  const auto span = static_cast<std::size_t>(std::min<std::uint64_t>(readBufferSize_, size_ - offset));
  windowStart_ = offset;
  windowData_ = readBuffer_.get();
  windowSize_ = qm::platform::seekTo(file_, offset) ? std::fread(readBuffer_.get(), 1, span, file_) : 0;
}
