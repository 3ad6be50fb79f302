// Reads a file in the chunk sequence of the block scan on a thread of its own, one chunk
// ahead of the scan, through two chunk buffers. Each read asks for a whole chunk; after a
// read that delivered a whole chunk the next one starts `overlap` bytes back, so a header
// that straddles two chunks is seen whole in the second. A read that delivers nothing ends
// the sequence, at the end of the file or on a read error alike.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/bytes.h"

class ChunkReader {
 public:
  // `ahead` false reads each chunk when it is asked for, on the caller's thread (for
  // files of a chunk or two, where a thread costs more than it saves).
  ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap, bool ahead = true);
  ~ChunkReader();
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // The next chunk as it was read (possibly shorter than a chunk); empty at the end. The
  // bytes stay valid until the next call.
  qm::Bytes next();

 private:
  enum SlotState : int { kEmpty, kFilled, kHeld };
  struct Slot {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t count = 0;
    std::atomic<int> state{kEmpty};
  };

  std::size_t readInto(Slot& slot);
  void readAhead();
  // Waits until the slot is in `wanted` state (or the reader is told to stop): spins
  // briefly, since the other side is usually a few microseconds away, then sleeps.
  bool waitFor(const Slot& slot, int wanted);
  void publish(Slot& slot, int state);

  std::FILE* in_;
  std::size_t chunkSize_;
  std::size_t overlap_;
  bool lastReadWasWhole_ = false;  // used only by the side that reads

  Slot slots_[2];
  std::size_t consumerSlot_ = 0;
  bool consumerHolds_ = false;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  bool threaded_ = false;
};
