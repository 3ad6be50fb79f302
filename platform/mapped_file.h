// Read-only memory mappings of an open file, and the two ways of reading them that survive
// a file shrinking under the mapping: a guarded section, in which a read of a page that no
// longer exists ends the section instead of the program, and a gathered write, whose
// source pages are read by the system on our behalf.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

namespace qm::platform {

// A view of `size()` bytes of a file from a given offset, unmapped on destruction.
class FileMapping {
 public:
  FileMapping() = default;
  ~FileMapping();
  FileMapping(FileMapping&& other) noexcept;
  FileMapping& operator=(FileMapping&& other) noexcept;
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // Maps `length` bytes from `offset`, which must be a multiple of mappingGranularity().
  // Nothing when the system refuses (no mapping for this kind of file, no address space).
  static std::optional<FileMapping> map(std::FILE* file, std::uint64_t offset, std::size_t length);

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void release();

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// The alignment of a mapping's start offset.
std::size_t mappingGranularity();

// The size of the open file now (not where its stream stands).
std::optional<std::uint64_t> currentSize(std::FILE* file);

// Runs `section(context)`; false when it read a mapped page past the file's end (the file
// was shrunk by someone else) and was cut short there. The section must hold no objects
// with destructors of their own and must not allocate: it may end at any read of mapped
// memory. Where the system refuses to shrink a mapped file (Windows), it just runs.
bool runGuarded(void (*section)(void* context), void* context);

// Writes the pieces one after another to the output file, the stream's buffer flushed
// first. On POSIX the system copies them straight from the mapping (one call per up to
// 1024 pieces); a piece that can no longer be read then fails the write instead of
// raising a signal.
enum class GatherResult { Written, SourceUnreadable, WriteFailed };
struct Piece {
  const std::uint8_t* data;
  std::size_t size;
};
GatherResult writeGathered(std::FILE* out, std::span<const Piece> pieces);

}  // namespace qm::platform
