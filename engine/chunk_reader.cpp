#include "engine/chunk_reader.h"

#include <system_error>

#include "platform/files.h"

ChunkReader::ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap)
    : in_(in), chunkSize_(chunkSize), overlap_(overlap) {
  for (Slot& slot : slots_) slot.bytes.resize(chunkSize);
  try {
    thread_ = std::thread([this] { readAhead(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    threaded_ = false;  // no thread to be had: read in line instead
  }
}

ChunkReader::~ChunkReader() {
  if (!threaded_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::size_t ChunkReader::readInto(Slot& slot) {
  if (lastReadWasWhole_) qm::platform::seekBy(in_, -static_cast<std::int64_t>(overlap_));
  const std::size_t count = std::fread(slot.bytes.data(), 1, chunkSize_, in_);
  lastReadWasWhole_ = count == chunkSize_;
  return count;
}

// The reader thread: fills the two slots in turn, waiting while the next one is in use.
void ChunkReader::readAhead() {
  for (std::size_t k = 0;; k ^= 1) {
    Slot& slot = slots_[k];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] {
        return stopping_ || (!slot.filled && !(consumerHolds_ && consumerSlot_ == k));
      });
      if (stopping_) return;
    }
    const std::size_t count = readInto(slot);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slot.count = count;
      slot.filled = true;
    }
    changed_.notify_all();
    if (count == 0) return;
  }
}

qm::Bytes ChunkReader::next() {
  if (!threaded_) {
    Slot& slot = slots_[0];
    slot.count = readInto(slot);
    return {slot.bytes.data(), slot.count};
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (consumerHolds_) {
    consumerHolds_ = false;
    consumerSlot_ ^= 1;
    changed_.notify_all();
  }
  Slot& slot = slots_[consumerSlot_];
  changed_.wait(lock, [&] { return slot.filled; });
  slot.filled = false;
  consumerHolds_ = true;
  return {slot.bytes.data(), slot.count};
}
