// The personal folder file on disk: positioned writes and reads with clear errors.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "platform/files.h"

namespace qm::pst {

class FileIo {
 public:
  // Creates (or truncates) the file; throws StoreError when it cannot.
  explicit FileIo(std::string path);

  void write(std::uint64_t offset, std::span<const std::uint8_t> data);
  // Makes the file at least `size` bytes long.
  void extendTo(std::uint64_t size);
  // Everything written so far reaches the disk; throws StoreError on failure (a full disk).
  void sync();

  const std::string& path() const { return path_; }
  std::uint64_t bytesWritten() const { return written_; }
  // Fails every write past this many bytes as a full disk does (for tests).
  void limitSpace(std::uint64_t bytes) { limit_ = bytes; }

 private:
  [[noreturn]] void fail(const char* what) const;

  std::string path_;
  std::unique_ptr<std::FILE, platform::FileCloser> file_;
  std::uint64_t position_ = 0;
  std::uint64_t length_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t limit_ = ~std::uint64_t{0};
};

}  // namespace qm::pst
