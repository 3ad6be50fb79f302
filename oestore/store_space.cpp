#include "oestore/store_space.h"

namespace oe {

namespace {

std::uint64_t take(Segment& segment, std::uint64_t& dataEnd, std::uint32_t segmentSize, std::uint32_t length) {
  if (segment.start == 0 || segment.used + length > segment.size) {
    segment = {dataEnd, segmentSize, 0};
    dataEnd += segmentSize;
  }
  const std::uint64_t at = segment.start + segment.used;
  segment.used += length;
  return at;
}

}  // namespace

std::uint64_t StoreSpace::takeRecord(std::uint32_t length) {
  handedOut += length;
  return take(variable, dataEnd, kVariableSegmentSize, length);
}

std::uint64_t StoreSpace::takeBlock() {
  handedOut += dbx::kBlockLength;
  return take(message, dataEnd, kMessageSegmentSize, dbx::kBlockLength);
}

std::uint64_t logicalEndOf(std::uint64_t dataEnd, std::uint64_t nodes) {
  const std::uint64_t perSegment = kTreeSegmentSize / kNodeLength;
  return dataEnd + (nodes + perSegment - 1) / perSegment * kTreeSegmentSize;
}

std::uint64_t physicalLengthOf(std::uint64_t logicalEnd) {
  const std::uint64_t over = logicalEnd > kFirstSectorEnd ? logicalEnd - kFirstSectorEnd : 0;
  return kFirstSectorEnd + (over + kReserveStep - 1) / kReserveStep * kReserveStep;
}

}  // namespace oe
