#include "convert/progress.h"

#include <cstdint>

namespace qm::convert {

namespace {

// trunc(part / whole * scale) for non-negative part and positive whole.
int shareOf(std::int64_t part, std::int64_t whole, std::int64_t scale) {
  if (whole <= 0) return 0;
  return static_cast<int>(part * scale / whole);
}

}  // namespace

int filePercent(int mailIndex, int mailCount, int scale) {
  return shareOf(std::int64_t{mailIndex} + 1, mailCount, scale);
}

int overallPercent(int mailIndex, int mailCount, int scale, int fileIndex, int fileCount) {
  if (fileCount <= 0) return 0;
  const int slice = scale / fileCount;
  return shareOf(std::int64_t{mailIndex} + 1, mailCount, slice) + shareOf(fileIndex, fileCount, 100);
}

int filesDonePercent(int fileIndex, int fileCount) {
  return shareOf(std::int64_t{fileIndex} + 1, fileCount, 100);
}

}  // namespace qm::convert
