// Where a message store's objects go. Objects live in segments of three kinds, each a plain
// run of objects appended at the end of the data when its kind needs room: variable
// segments (records), message segments (text blocks) and tree segments (index nodes). The
// space plan is a small value, so the writer can try a mail on a copy before it commits.
#pragma once

#include <cstdint>

#include "oestore/store_format.h"

namespace oe {

struct Segment {
  std::uint64_t start = 0;  // 0: none yet
  std::uint32_t size = 0;
  std::uint32_t used = 0;
  std::uint64_t end() const { return start + size; }
};

struct StoreSpace {
  Segment variable{kFirstSectorEnd, kVariableSegmentSize, kMessageFilterLength};
  Segment message{};
  std::uint64_t dataEnd = kFirstSectorEnd + kVariableSegmentSize;  // where a new segment goes
  std::uint64_t handedOut = kMessageFilterLength;                  // bytes given to objects

  // Room for one object of `length` bytes in the segment of that kind; opens a new segment
  // at the end of the data when the last one is full. Returns the object's offset.
  std::uint64_t takeRecord(std::uint32_t length);
  std::uint64_t takeBlock();
};

// The logical end of a store whose data ends at `dataEnd` and whose tree has `nodes` nodes,
// and the file's physical length for a logical end.
std::uint64_t logicalEndOf(std::uint64_t dataEnd, std::uint64_t nodes);
std::uint64_t physicalLengthOf(std::uint64_t logicalEnd);

}  // namespace oe
