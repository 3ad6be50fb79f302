// Reads a file in the chunk sequence of the block scan on a thread of its own, one chunk
// ahead of the scan, through two chunk buffers. Each read asks for a whole chunk; after a
// read that delivered a whole chunk the next one starts `overlap` bytes back, so a header
// that straddles two chunks is seen whole in the second. A read that delivers nothing ends
// the sequence, at the end of the file or on a read error alike.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bytes.h"

class ChunkReader {
 public:
  ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap);
  ~ChunkReader();
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // The next chunk as it was read (possibly shorter than a chunk); empty at the end. The
  // bytes stay valid until the next call.
  qm::Bytes next();

 private:
  struct Slot {
    std::vector<std::uint8_t> bytes;
    std::size_t count = 0;
    bool filled = false;
  };

  std::size_t readInto(Slot& slot);
  void readAhead();

  std::FILE* in_;
  std::size_t chunkSize_;
  std::size_t overlap_;
  bool lastReadWasWhole_ = false;  // owned by whichever side reads

  Slot slots_[2];
  std::size_t consumerSlot_ = 0;
  bool consumerHolds_ = false;  // the caller still uses slots_[consumerSlot_]
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  bool threaded_ = false;
};
