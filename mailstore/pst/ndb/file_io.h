// The personal folder file on disk: positioned writes with clear errors. Writes that follow
// one another are gathered and handed to the system up to a megabyte at a time, and the
// system is asked to start putting each new megabyte at the file's end on the disk at
// once, so that sync() waits for little more than the last of it.
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
  // Hands what is gathered to the system (errors are lost here; sync() reports them).
  ~FileIo();
  FileIo(const FileIo&) = delete;
  FileIo& operator=(const FileIo&) = delete;

  void write(std::uint64_t offset, std::span<const std::uint8_t> data);
  // Room for `size` bytes (at most a megabyte) that go to `offset`, for the caller to fill
  // before its next call: a block is made where it is written, with no copy.
  std::span<std::uint8_t> place(std::uint64_t offset, std::size_t size);
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
  void account(std::uint64_t offset, std::size_t size);
  void writeOut(std::uint64_t offset, std::span<const std::uint8_t> data);
  void writeGathered();

  std::string path_;
  std::unique_ptr<std::FILE, platform::FileCloser> file_;
  std::unique_ptr<std::uint8_t[]> gathered_;  // bytes for the file at gatheredAt_, not yet written
  std::size_t gatheredSize_ = 0;
  std::uint64_t gatheredAt_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t writtenEnd_ = 0;     // the end of everything handed to the system
  std::uint64_t writeBackFrom_ = 0;  // where the next range to start writing back begins
  std::uint64_t length_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t limit_ = ~std::uint64_t{0};
};

}  // namespace qm::pst
