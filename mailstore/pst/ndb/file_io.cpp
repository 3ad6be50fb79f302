#include "mailstore/pst/ndb/file_io.h"

#include <cerrno>
#include <cstring>

#include "mailstore/store_backend.h"

namespace qm::pst {

FileIo::FileIo(std::string path) : path_(std::move(path)) {
  file_.reset(platform::openFile(path_, "w+b"));
  if (!file_) fail("create");
  // Writes are mostly sequential appends; a large buffer keeps the calls few.
  std::setvbuf(file_.get(), nullptr, _IOFBF, 1 << 20);
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
  if (offset != position_ && !platform::seekTo(file_.get(), offset)) fail("seek in");
  if (std::fwrite(data.data(), 1, data.size(), file_.get()) != data.size()) fail("write to");
  position_ = offset + data.size();
  if (position_ > length_) length_ = position_;
}

void FileIo::extendTo(std::uint64_t size) {
  if (size <= length_) return;
  const std::uint8_t zero = 0;
  write(size - 1, {&zero, 1});
}

void FileIo::sync() {
  errno = 0;
  if (!platform::syncFile(file_.get())) fail("write to");
}

}  // namespace qm::pst
