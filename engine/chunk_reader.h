// Reads a file in the chunk sequence of the block scan into one chunk buffer. Each read asks
// for a whole chunk; after a read that delivered a whole chunk the next one starts `overlap`
// bytes back, so a header that straddles two chunks is seen whole in the second. A read
// that delivers nothing ends the sequence, at the end of the file or on a read error alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/bytes.h"

class ChunkReader {
 public:
  ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap);

  // The next chunk as it was read (possibly shorter than a chunk); empty at the end. The
  // bytes stay valid until the next call.
  qm::Bytes next();

 private:
  std::FILE* in_;
  std::size_t chunkSize_;
  std::size_t overlap_;
  bool lastReadWasWhole_ = false;
  std::unique_ptr<std::uint8_t[]> buffer_;
};
