#include "engine/chunk_reader.h"

#include "platform/files.h"

ChunkReader::ChunkReader(std::FILE* in, std::size_t chunkSize, std::size_t overlap)
    : in_(in),
      chunkSize_(chunkSize),
      overlap_(overlap),
      buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize)) {}

qm::Bytes ChunkReader::next() {
  if (lastReadWasWhole_) qm::platform::seekBy(in_, -static_cast<std::int64_t>(overlap_));
  const std::size_t count = std::fread(buffer_.get(), 1, chunkSize_, in_);
  lastReadWasWhole_ = count == chunkSize_;
  return {buffer_.get(), count};
}
