#include "engine/chunk_reader.h"

#include <system_error>

#include "platform/files.h"

namespace {
constexpr int kSpins = 2000;
}

ChunkReader::ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap, bool ahead)
    : in_(in), chunkSize_(chunkSize), overlap_(overlap) {
  for (Slot& slot : slots_) slot.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
  if (!ahead) return;
  try {
    thread_ = std::thread([this] { readAhead(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    threaded_ = false;  // no thread to be had: read in line instead
  }
}

ChunkReader::~ChunkReader() {
  if (!threaded_) return;
  stopping_.store(true);
  {
    std::lock_guard<std::mutex> lock(mutex_);
  }
  changed_.notify_all();
  thread_.join();
}

std::size_t ChunkReader::readInto(Slot& slot) {
  if (lastReadWasWhole_) qm::platform::seekBy(in_, -static_cast<std::int64_t>(overlap_));
  const std::size_t count = std::fread(slot.bytes.get(), 1, chunkSize_, in_);
  lastReadWasWhole_ = count == chunkSize_;
  return count;
}

bool ChunkReader::waitFor(const Slot& slot, int wanted) {
  const auto ready = [&] { return slot.state.load(std::memory_order_acquire) == wanted || stopping_.load(); };
  for (int i = 0; i < kSpins; ++i) {
    if (ready()) return !stopping_.load();
    if (i > 100) std::this_thread::yield();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, ready);
  return !stopping_.load();
}

void ChunkReader::publish(Slot& slot, int state) {
  slot.state.store(state, std::memory_order_release);
  {
    std::lock_guard<std::mutex> lock(mutex_);  // a sleeper cannot miss the change
  }
  changed_.notify_all();
}

// The reader thread: fills the two slots in turn, waiting while the next one is in use.
void ChunkReader::readAhead() {
  for (std::size_t k = 0;; k ^= 1) {
    Slot& slot = slots_[k];
    if (!waitFor(slot, kEmpty)) return;
    slot.count = readInto(slot);
    const bool end = slot.count == 0;
    publish(slot, kFilled);
    if (end) return;
  }
}

qm::Bytes ChunkReader::next() {
  if (!threaded_) {
    Slot& slot = slots_[0];
    slot.count = readInto(slot);
    return {slot.bytes.get(), slot.count};
  }
  if (consumerHolds_) {
    publish(slots_[consumerSlot_], kEmpty);
    consumerSlot_ ^= 1;
    consumerHolds_ = false;
  }
  Slot& slot = slots_[consumerSlot_];
  waitFor(slot, kFilled);
  slot.state.store(kHeld, std::memory_order_relaxed);
  consumerHolds_ = true;
  return {slot.bytes.get(), slot.count};
}
