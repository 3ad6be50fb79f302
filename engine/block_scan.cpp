// The block scan: reads the whole file in 100000-byte chunks that overlap by 16 bytes and
// records every position that holds a message block header. Every position of a chunk up to
// its 14th-last byte is tested; the search jumps between the 0x02 bytes of candidate size
// fields (memchr) instead of testing each position in turn, which finds the same positions.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/chunk_reader.h"
#include "engine/dbx_file.h"
#include "engine/dbx_format.h"
#include "engine/log_text.h"
#include "platform/files.h"

namespace {

constexpr std::size_t kChunkSize = 100000;
constexpr std::size_t kChunkOverlap = 16;
// A size field at chunk position i is tested while i < count - 13.
constexpr std::size_t kTailNotTested = 13;

// Grows the table ahead of the scan to the number of blocks the file will hold if the rest
// of it is like the part scanned so far, so that the table is rarely moved while it fills.
void reserveAhead(std::vector<DbxBlockRecord>& table, std::int64_t scanned, std::int64_t fileSize) {
  if (scanned <= 0 || table.empty() || fileSize <= scanned) return;
  const auto projected = static_cast<std::size_t>(static_cast<double>(table.size()) * fileSize / scanned * 1.1) + 64;
  if (projected <= table.capacity()) return;
  try {
    table.reserve(std::max(projected, table.capacity() + table.capacity() / 2));
  } catch (const std::bad_alloc&) {
    // Too much at once: the table grows block by block instead.
  }
}

}  // namespace

void DbxFile::scanChunk(qm::Bytes chunk, std::int64_t base) {
  const std::size_t n = chunk.size();
  if (n <= kTailNotTested) return;
  const std::size_t lastTested = n - kTailNotTested - 1;
  const std::uint8_t* bytes = chunk.data();
  // The second byte of a size field 00 02 00 00 at position i lies at i + 1.
  const std::uint8_t* cursor = bytes + 1;
  const std::uint8_t* const end = bytes + lastTested + 2;
  auto& table = dbxBlockTable();
  while (cursor < end) {
    const void* hit = std::memchr(cursor, 0x02, static_cast<std::size_t>(end - cursor));
    if (!hit) break;
    const auto* two = static_cast<const std::uint8_t*>(hit);
    cursor = two + 1;
    const std::size_t i = static_cast<std::size_t>(two - bytes) - 1;
    if (qm::loadLe32(bytes + i) != dbx::kDataAreaSize) continue;
    // The value before the size field is taken only from position 5 on.
    const std::uint32_t before = i > 4 ? qm::loadLe32(bytes + i - 4) : 1;
    const std::uint32_t used = qm::loadLe32(bytes + i + 4);
    const std::uint32_t nextOffset = qm::loadLe32(bytes + i + 8);
    if (!dbx::acceptsBlock(before, used, nextOffset, static_cast<std::uint64_t>(fileSize)))
      continue;
    try {
      DbxBlockRecord record;
      record.position = base + static_cast<std::int64_t>(i) - 4;
      record.selfOffset = before;
      record.nextOffset = nextOffset;
      record.usedLength = used;
      table.push_back(record);
      ++blockCount;
    } catch (...) {
      logLine(formatLogText("Exception scanning bytes at offset=%d",
                            {base + static_cast<std::int64_t>(i)}),
              true);
    }
  }
}

void DbxFile::scanBlocks(std::FILE* in) {
  blockCount = 0;
  qm::platform::seekTo(in, 0);
  auto& table = dbxBlockTable();
  table.clear();
  table.shrink_to_fit();
  logLine("Advance Search Initialized", false);
  try {
    ChunkReader reader(in, kChunkSize, kChunkOverlap, fileSize > static_cast<std::int64_t>(2 * kChunkSize));
    std::int64_t base = 0;
    for (;;) {
      const qm::Bytes chunk = reader.next();
      if (chunk.empty()) break;
      const auto count = static_cast<std::int64_t>(chunk.size());
      logLine(formatLogText("Scanning from offset:%d to ReadCount:%d", {base, count}), false);
      scanChunk(chunk, base);
      base += count - static_cast<std::int64_t>(kChunkOverlap);
      reserveAhead(table, base, fileSize);
    }
  } catch (...) {
    logLine(formatLogText("Exception in searching objects after object=%d", {blockCount}), true);
  }
  logLine(formatLogText("%d Normal object found", {blockCount}), false);
}
