// Random access to the bytes of a store file, from the disk or from memory. Every reader
// of the index goes through it, so each read is bounded by the file's real size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/files.h"

namespace oe {

class StoreSource {
 public:
  virtual ~StoreSource() = default;
  virtual std::uint64_t size() const = 0;
  // Fills `out` with the bytes at `offset`; false when they are not all in the file.
  virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;

  // `length` bytes at `offset`, empty when they are not all in the file.
  std::vector<std::uint8_t> bytes(std::uint64_t offset, std::size_t length);
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size() && length <= size() - offset;
  }
};

class MemorySource : public StoreSource {
 public:
  explicit MemorySource(qm::Bytes data) : data_(data) {}
  std::uint64_t size() const override { return data_.size(); }
  bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  qm::Bytes data_;
};

class FileSource : public StoreSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<FileSource> open(const std::string& path);
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  FileSource(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}
  std::unique_ptr<std::FILE, qm::platform::FileCloser> file_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = UINT64_MAX;  // where the stream stands; unknown at first
};

}  // namespace oe
