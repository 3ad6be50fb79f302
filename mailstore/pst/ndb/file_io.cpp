#include "mailstore/pst/ndb/file_io.h"

#include <cerrno>
#include <cstring>

#include "mailstore/store_backend.h"

namespace qm::pst {

namespace {
constexpr std::size_t kGather = 1 << 20;
}  // namespace

FileIo::FileIo(std::string path) : path_(std::move(path)) {
  file_.reset(platform::openFile(path_, "wb"));
  if (!file_) fail("create");
  // Writes are gathered here; the stream's own buffer would only copy them again.
  std::setvbuf(file_.get(), nullptr, _IONBF, 0);
  gathered_.reserve(kGather);
}

FileIo::~FileIo() {
  try {
    writeGathered();
  } catch (...) {
  }
}

void FileIo::fail(const char* what) const {
  const int err = errno;
  std::string text = std::string("Could not ") + what + " the personal folder file " + path_;
  if (err == ENOSPC) text += ": the disk is full";
  else if (err != 0) text += std::string(": ") + std::strerror(err);
  throw mail::StoreError(text);
}

void FileIo::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  errno = 0;
  if (written_ + data.size() > limit_) {
    errno = ENOSPC;
    fail("write to");
  }
  written_ += data.size();
  if (offset + data.size() > length_) length_ = offset + data.size();
  const bool follows = !gathered_.empty() && offset == gatheredAt_ + gathered_.size();
  if (follows && gathered_.size() + data.size() <= kGather) {
    gathered_.insert(gathered_.end(), data.begin(), data.end());
    return;
  }
  writeGathered();
  if (data.size() >= kGather) {
    writeOut(offset, data);
    return;
  }
  gatheredAt_ = offset;
  gathered_.assign(data.begin(), data.end());
}

void FileIo::writeGathered() {
  if (gathered_.empty()) return;
  writeOut(gatheredAt_, gathered_);
  gathered_.clear();
}

void FileIo::writeOut(std::uint64_t offset, std::span<const std::uint8_t> data) {
  errno = 0;
  if (offset != position_ && !platform::seekTo(file_.get(), offset)) fail("seek in");
  if (std::fwrite(data.data(), 1, data.size(), file_.get()) != data.size()) fail("write to");
  position_ = offset + data.size();
  // The file grows at its end; pages written back into space freed before are few.
  if (position_ > writtenEnd_) writtenEnd_ = position_;
  if (writtenEnd_ - writeBackFrom_ >= kGather) {
    platform::startWriteBack(file_.get(), writeBackFrom_, writtenEnd_ - writeBackFrom_);
    writeBackFrom_ = writtenEnd_;
  }
}

void FileIo::extendTo(std::uint64_t size) {
  if (size <= length_) return;
  const std::uint8_t zero = 0;
  write(size - 1, {&zero, 1});
}

void FileIo::sync() {
  writeGathered();
  errno = 0;
  if (!platform::syncFile(file_.get())) fail("write to");
}

}  // namespace qm::pst
