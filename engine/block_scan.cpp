// The block scan: goes through the whole file in 100000-byte chunks that overlap by 16 bytes
// and records every position that holds a message block header. Every position of a chunk
// up to its 14th-last byte is tested; the search jumps between the 0x02 bytes of candidate
// size fields (memchr) instead of testing each position in turn, which finds the same
// positions. The chunks are views of the store's mapping, searched in place; each one is
// searched as a guarded section, so that a file cut short under the scan ends it there.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <new>
#include <vector>

#include "engine/dbx_file.h"
#include "engine/dbx_format.h"
#include "engine/log_text.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace {

constexpr std::size_t kChunkSize = 100000;
constexpr std::size_t kChunkOverlap = 16;
// A size field at chunk position i is tested while i < count - 13.
constexpr std::size_t kTailNotTested = 13;
// The pages of the mapping are asked for this far ahead of the scan, a stretch at a time.
constexpr std::uint64_t kMapAhead = 4u << 20;

// Grows the table ahead of the scan to the number of blocks the file will hold if the rest
// of it is like the part scanned so far, so that the table is rarely moved while it fills.
// Never more than twice the blocks that fit into the file side by side: past that (files
// dense with header-like patterns) the table grows as it fills.
void reserveAhead(std::vector<DbxBlockRecord>& table, std::int64_t scanned, std::int64_t fileSize) {
  if (scanned <= 0 || table.empty() || fileSize <= scanned) return;
  const double likely = static_cast<double>(table.size()) * static_cast<double>(fileSize) / static_cast<double>(scanned);
  const double plausible = 2.0 * static_cast<double>(fileSize) / static_cast<double>(dbx::kBlockLength);
  const auto projected = static_cast<std::size_t>(std::min(likely * 1.1, plausible)) + 64;
  if (projected <= table.capacity()) return;
  try {
    table.reserve(std::max(projected, table.capacity() + table.capacity() / 2));
    qm::platform::adviseLargePages(table.data(), table.capacity() * sizeof(DbxBlockRecord));
  } catch (const std::bad_alloc&) {
    // Too much at once: the table grows block by block instead.
  }
}

// The stored self offset in front of a size field at chunk position i; 1 (never a block)
// where there is none to take. The first chunk has one from position 5 on. A later chunk
// starts 16 bytes before the end of the one before it, whose last tested position is this
// chunk's position 2: positions 0 to 2 were tested there and are not tested again, while
// positions 3 and 4 are tested here with the bytes in front of them (the one at position 3
// reaching one byte back, into the chunk before), so that no block is lost at a chunk edge.
std::uint32_t valueBefore(const std::uint8_t* bytes, std::size_t i, std::int64_t base, std::uint8_t byteBefore) {
  if (i > 4) return qm::loadLe32(bytes + i - 4);
  if (base == 0 || i < 3) return 1;
  if (i == 4) return qm::loadLe32(bytes);
  return static_cast<std::uint32_t>(byteBefore) | (static_cast<std::uint32_t>(bytes[0]) << 8) |
         (static_cast<std::uint32_t>(bytes[1]) << 16) | (static_cast<std::uint32_t>(bytes[2]) << 24);
}

}  // namespace

// One stretch of the scan: the chunks whose starts lie in [from, until), or from `from` to
// the end of the file when `until` is negative. The first stretch fills the block table and
// logs as it goes; a second one, run on a thread of its own, fills a table and keeps its log
// lines, both handed over in file order once the first is through.
struct DbxFile::ScanPart {
  enum class End { Done, Stopped, Shrunk };

  std::int64_t from = 0;
  std::int64_t until = -1;
  std::uint8_t byteBefore = 0;  // the byte in front of the first chunk
  std::vector<DbxBlockRecord>* table = nullptr;
  std::int32_t blocks = 0;
  bool keepLines = false;
  std::vector<std::pair<std::string, bool>> lines;
  End end = End::Done;
  std::function<bool()> stopRequested;
};

void DbxFile::partLog(ScanPart& part, const std::string& text, bool error) {
  if (!part.keepLines) {
    logLine(text, error);
  } else if (logEnabled) {
    part.lines.emplace_back(text, error);
  }
}

// Runs in a guarded section: it reads mapped bytes only while nothing is half done, and its
// locals need no destruction.
bool DbxFile::scanChunk(ScanPart& part, qm::Bytes chunk, std::int64_t base, std::uint8_t byteBefore) {
  struct Section {
    DbxFile* self;
    ScanPart* part;
    qm::Bytes chunk;
    std::int64_t base;
    std::uint8_t byteBefore;
  } section{this, &part, chunk, base, byteBefore};
  return qm::platform::runGuarded(
      [](void* context) {
        auto* s = static_cast<Section*>(context);
        s->self->searchChunk(*s->part, s->chunk, s->base, s->byteBefore);
      },
      &section);
}

void DbxFile::searchChunk(ScanPart& part, qm::Bytes chunk, std::int64_t base, std::uint8_t byteBefore) {
  const std::size_t n = chunk.size();
  if (n <= kTailNotTested) return;
  const std::size_t lastTested = n - kTailNotTested - 1;
  const std::uint8_t* bytes = chunk.data();
  // The second byte of a size field 00 02 00 00 at position i lies at i + 1.
  const std::uint8_t* cursor = bytes + 1;
  const std::uint8_t* const end = bytes + lastTested + 2;
  auto& table = *part.table;
  while (cursor < end) {
    const void* hit = std::memchr(cursor, 0x02, static_cast<std::size_t>(end - cursor));
    if (!hit) break;
    const auto* two = static_cast<const std::uint8_t*>(hit);
    cursor = two + 1;
    const std::size_t i = static_cast<std::size_t>(two - bytes) - 1;
    if (qm::loadLe32(bytes + i) != dbx::kDataAreaSize) continue;
    const std::uint32_t before = valueBefore(bytes, i, base, byteBefore);
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
      ++part.blocks;
    } catch (...) {
      partLog(part, formatLogText("Exception scanning bytes at offset=%d", {base + static_cast<std::int64_t>(i)}),
              true);
    }
  }
}

// Maps in the next stretch of the store once the scan comes close to the end of the last
// one; only where the stretch lies in the current mapping, so that the hint never moves it.
void DbxFile::mapAhead(std::uint64_t scanEnd, std::uint64_t& mappedAhead) {
  if (scanEnd <= mappedAhead || !bytes_.mapped()) return;
  const std::uint64_t from = std::max(mappedAhead, scanEnd - std::min<std::uint64_t>(scanEnd, kChunkSize));
  const std::uint64_t length = std::min<std::uint64_t>(kMapAhead, bytes_.size() - std::min(bytes_.size(), from));
  mappedAhead = from + kMapAhead;
  if (length == 0 || !bytes_.inWindow(from, static_cast<std::size_t>(length))) return;
  const qm::Bytes stretch = bytes_.view(from, static_cast<std::size_t>(length));
  qm::platform::adviseReadSoon(stretch.data(), stretch.size());
}

// The chunks of one stretch, each searched in turn. Stop is checked once a chunk: a stopped
// run waits for one chunk's search at most.
void DbxFile::scanPart(ScanPart& part) {
  std::int64_t base = part.from;
  std::uint8_t byteBefore = part.byteBefore;
  std::uint64_t mappedAhead = 0;  // the end of the stretch asked for
  for (;;) {
    if (part.until >= 0 && base >= part.until) break;
    if (part.stopRequested()) {
      part.end = ScanPart::End::Stopped;
      partLog(part, formatLogText("Search stopped at offset:%d", {base}), true);
      break;
    }
    mapAhead(static_cast<std::uint64_t>(base) + kChunkSize, mappedAhead);
    const qm::Bytes chunk = bytes_.view(static_cast<std::uint64_t>(base), kChunkSize);
    if (chunk.empty()) break;
    const auto count = static_cast<std::int64_t>(chunk.size());
    partLog(part, formatLogText("Scanning from offset:%d to ReadCount:%d", {base, count}), false);
    if (!scanChunk(part, chunk, base, byteBefore)) {
      part.end = ScanPart::End::Shrunk;
      partLog(part, formatLogText("Error reading from offset:%d: the file has shrunk since it was opened", {base}),
              true);
      break;
    }
    // A short chunk is the file's last: the next read would deliver nothing.
    if (chunk.size() < kChunkSize) break;
    byteBefore = chunk[chunk.size() - kChunkOverlap - 1];
    base += count - static_cast<std::int64_t>(kChunkOverlap);
    reserveAhead(*part.table, base - part.from, fileSize - part.from);
  }
}

// Where a second thread takes over the scan: the start of the chunk nearest the middle of
// the file, or 0 for one thread. Two threads only where the whole store is one mapping (its
// views then move nothing), the store is large enough to gain and a second core is there.
std::int64_t DbxFile::secondPartStart() const {
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kChunkSize - kChunkOverlap);
  if (fileSize < 2 * kStep || static_cast<std::uint64_t>(fileSize) < parallelScanFrom_) return 0;
  if (!bytes_.wholeFileMapped() || std::thread::hardware_concurrency() < 2) return 0;
  return fileSize / kStep / 2 * kStep;
}

// The byte in front of `offset`, read as a guarded section; false when the file has shrunk.
bool DbxFile::byteAt(std::int64_t offset, std::uint8_t& byte) {
  const qm::Bytes one = bytes_.view(static_cast<std::uint64_t>(offset), 1);
  if (one.size() != 1) return false;
  struct Read {
    const std::uint8_t* from;
    std::uint8_t* to;
  } read{one.data(), &byte};
  return qm::platform::runGuarded([](void* context) {
    auto* r = static_cast<Read*>(context);
    *r->to = *r->from;
  }, &read);
}

void DbxFile::scanBlocks() {
  blockCount = 0;
  findings_.stopped = false;
  auto& table = blockTable;
  table.clear();
  table.shrink_to_fit();
  logLine("Advance Search Initialized", false);
  try {
    ScanPart first;
    first.table = &table;
    first.stopRequested = [this] { return host_.stopRequested(); };
    // The second half of a large store is searched by a thread of its own at the same time.
    // The host is asked by this thread alone; the other one sees its answer through `stop`.
    std::atomic<bool> stop{false}, finished{false};
    std::vector<DbxBlockRecord> secondTable;
    ScanPart second;
    std::thread helper;
    if (const std::int64_t start = secondPartStart(); start > 0 && byteAt(start - 1, second.byteBefore)) {
      second.from = start;
      second.table = &secondTable;
      second.keepLines = true;
      second.stopRequested = [&stop] { return stop.load(std::memory_order_relaxed); };
      try {
        helper = std::thread([this, &second, &finished] {
          try {
            scanPart(second);
          } catch (...) {
            second.end = ScanPart::End::Shrunk;
            partLog(second, formatLogText("Exception in searching objects after object=%d", {second.blocks}), true);
          }
          finished.store(true, std::memory_order_release);
        });
        first.until = start;
      } catch (...) {
        // No thread to be had: this one goes on to the end.
      }
    }
    try {
      scanPart(first);
    } catch (...) {
      stop = true;
      if (helper.joinable()) helper.join();
      blockCount = first.blocks;
      throw;
    }
    blockCount = first.blocks;
    if (helper.joinable()) {
      joinSecondPart(first, second, stop, finished, helper);
      table.insert(table.end(), secondTable.begin(), secondTable.end());
      blockCount += second.blocks;
      first.end = second.end;
    }
    findings_.stopped = first.end == ScanPart::End::Stopped;
  } catch (...) {
    logLine(formatLogText("Exception in searching objects after object=%d", {blockCount}), true);
  }
  logLine(formatLogText("%d Normal object found", {blockCount}), false);
}

// Waits for the second half while asking the host for Stop as often as a chunk takes, then
// hands over its lines, unless the first half ended early: the second half then lies past
// where the scan ended, and its blocks are dropped.
void DbxFile::joinSecondPart(const ScanPart& first, ScanPart& second, std::atomic<bool>& stop,
                             const std::atomic<bool>& finished, std::thread& helper) {
  if (first.end != ScanPart::End::Done) {
    stop = true;
    helper.join();
    second.table->clear();
    second.blocks = 0;
    second.end = first.end;
    return;
  }
  while (!finished.load(std::memory_order_acquire)) {
    if (!stop && host_.stopRequested()) stop = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  helper.join();
  for (const auto& [text, error] : second.lines) logLine(text, error);
}
