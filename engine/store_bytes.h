// The bytes of the open store, shared by the block scan and the mail writer. They are seen
// through one window at a time: a read-only memory mapping of the whole file where the
// address space allows it, a mapping of 64 MiB moved along the file on 32-bit builds, and
// a buffer filled by plain reads when the system refuses to map the file. A view stays
// valid while later views lie inside the same window; inWindow() tells ahead of a view
// whether it would move the window.
//
// A mapped file that shrinks under us does not shrink the views: reading a page past its
// new end raises a signal on POSIX. Readers of views therefore read them inside
// qm::platform::runGuarded, or hand them to qm::platform::writeGathered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

#include "platform/bytes.h"
#include "platform/mapped_file.h"

class StoreBytes {
 public:
  // The largest mapping made at once: no limit on 64-bit builds, 64 MiB on 32-bit ones.
  static std::size_t defaultMappingLimit();

  // `mappingLimit` 0 never maps (the file is read); a small one makes many windows.
  explicit StoreBytes(std::size_t mappingLimit = defaultMappingLimit()) : mappingLimit_(mappingLimit) {}

  // Starts reading `file`, whose size is `size`; views end there.
  void attach(std::FILE* file, std::uint64_t size);
  void detach();

  // The bytes [offset, offset + length) cut at the size given to attach(); shorter or
  // empty where a read delivers less (a read error, or a file that has shrunk).
  qm::Bytes view(std::uint64_t offset, std::size_t length);
  bool inWindow(std::uint64_t offset, std::size_t length) const;

  bool mapped() const { return mapping_.has_value(); }
  // The whole file is one mapping: views then move nothing, and several threads may take
  // them at once.
  bool wholeFileMapped() const { return mapping_.has_value() && windowStart_ == 0 && windowSize_ == size_; }
  std::uint64_t size() const { return size_; }

 private:
  void mapWindow(std::uint64_t offset, std::size_t length);
  void readWindow(std::uint64_t offset, std::size_t length);

  std::size_t mappingLimit_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  bool mappingRefused_ = false;
  std::optional<qm::platform::FileMapping> mapping_;
  // The window: its file offset and its bytes (in the mapping or in the read buffer).
  std::uint64_t windowStart_ = 0;
  const std::uint8_t* windowData_ = nullptr;
  std::size_t windowSize_ = 0;
  std::unique_ptr<std::uint8_t[]> readBuffer_;
  std::size_t readBufferSize_ = 0;
};
