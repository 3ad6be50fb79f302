#include "mailstore/pst/ndb/file_io.h"

#include <algorithm>
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
  gathered_ = std::make_unique_for_overwrite<std::uint8_t[]>(kGather);
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

void FileIo::account(std::uint64_t offset, std::size_t size) {
  errno = 0;
  if (written_ + size > limit_) {
    errno = ENOSPC;
    fail("write to");
  }
  written_ += size;
  if (offset + size > length_) length_ = offset + size;
}

void FileIo::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (data.size() < kGather) {
    const std::span<std::uint8_t> room = place(offset, data.size());
    std::copy(data.begin(), data.end(), room.begin());
    return;
  }
  account(offset, data.size());
  writeGathered();
  writeOut(offset, data);
}

std::span<std::uint8_t> FileIo::place(std::uint64_t offset, std::size_t size) {
  account(offset, size);
  const bool follows = gatheredSize_ > 0 && offset == gatheredAt_ + gatheredSize_;
  if (!follows || gatheredSize_ + size > kGather) {
    writeGathered();
    gatheredAt_ = offset;
  }
  const std::span<std::uint8_t> room(gathered_.get() + gatheredSize_, size);
  gatheredSize_ += size;
  return room;
}

void FileIo::writeGathered() {
  if (gatheredSize_ == 0) return;
  // Emptied first: a failed write is reported once, and the store fails with it.
  const std::size_t size = gatheredSize_;
  gatheredSize_ = 0;
  writeOut(gatheredAt_, {gathered_.get(), size});
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
