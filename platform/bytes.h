// Little-endian fields over byte spans: every on-disk field is read and written here,
// never by casting a struct over file bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using Bytes = std::span<const std::uint8_t>;

inline std::uint16_t loadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t loadLe64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(loadLe32(p)) | (static_cast<std::uint64_t>(loadLe32(p + 4)) << 32);
}
inline void storeLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void storeLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void storeLe64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A read cursor over a byte span with a sticky ok flag: a record is parsed in a straight
// line and checked once at the end. Reads past the end yield zeros and clear ok().
class ByteCursor {
 public:
  explicit ByteCursor(Bytes data) : data_(data) {}

  std::uint8_t u8() { return take(1) ? data_[pos_ - 1] : 0; }
  std::uint16_t le16() { return take(2) ? loadLe16(&data_[pos_ - 2]) : 0; }
  std::uint32_t le32() { return take(4) ? loadLe32(&data_[pos_ - 4]) : 0; }
  std::uint64_t le64() { return take(8) ? loadLe64(&data_[pos_ - 8]) : 0; }
  Bytes bytes(std::size_t n) { return take(n) ? data_.subspan(pos_ - n, n) : Bytes{}; }
  void skip(std::size_t n) { take(n); }
  void seek(std::size_t pos) {
    if (pos > data_.size()) ok_ = false;
    else pos_ = pos;
  }

  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool ok() const { return ok_; }

 private:
  bool take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }

  Bytes data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// An append-only little-endian writer into a growable buffer.
class ByteWriter {
 public:
  void u8(std::uint8_t v) { buf_.push_back(v); }
  void le16(std::uint16_t v) { storeLe16(grow(2), v); }
  void le32(std::uint32_t v) { storeLe32(grow(4), v); }
  void le64(std::uint64_t v) { storeLe64(grow(8), v); }
  void bytes(Bytes b) { buf_.insert(buf_.end(), b.begin(), b.end()); }
  void text(std::string_view s) { buf_.insert(buf_.end(), s.begin(), s.end()); }
  void zeros(std::size_t n) { buf_.insert(buf_.end(), n, 0); }
  // Patches a field written earlier.
  void patchLe32(std::size_t at, std::uint32_t v) { storeLe32(&buf_.at(at + 3) - 3, v); }

  std::size_t size() const { return buf_.size(); }
  const std::vector<std::uint8_t>& data() const { return buf_; }
  std::vector<std::uint8_t> take() { return std::move(buf_); }

 private:
  std::uint8_t* grow(std::size_t n) {
    buf_.resize(buf_.size() + n);
    return buf_.data() + buf_.size() - n;
  }
  std::vector<std::uint8_t> buf_;
};

inline Bytes asBytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace qm
