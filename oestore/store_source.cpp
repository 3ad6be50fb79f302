#include "oestore/store_source.h"

#include <cstring>

namespace oe {

std::vector<std::uint8_t> StoreSource::bytes(std::uint64_t offset, std::size_t length) {
  if (!contains(offset, length)) return {};
  std::vector<std::uint8_t> out(length);
  if (!read(offset, out)) return {};
  return out;
}

bool MemorySource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!contains(offset, out.size())) return false;
  if (!out.empty()) std::memcpy(out.data(), data_.data() + offset, out.size());
  return true;
}

std::unique_ptr<FileSource> FileSource::open(const std::string& path) {
  std::FILE* f = qm::platform::openFile(path, "rb");
  if (!f) return nullptr;
  std::uint64_t size = 0;
  if (!qm::platform::seekToEnd(f)) {
    std::fclose(f);
    return nullptr;
  }
  if (const auto end = qm::platform::tellPosition(f)) size = *end;
  return std::unique_ptr<FileSource>(new FileSource(f, size));
}

bool FileSource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!contains(offset, out.size())) return false;
  // Reads that follow each other (a chain stored in file order) go on without a seek.
  if (position_ != offset && !qm::platform::seekTo(file_.get(), offset)) {
    position_ = UINT64_MAX;
    return false;
  }
  const std::size_t got = std::fread(out.data(), 1, out.size(), file_.get());
  position_ = got == out.size() ? offset + got : UINT64_MAX;
  return got == out.size();
}

}  // namespace oe
