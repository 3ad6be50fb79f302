// A compound file to be written: a root storage with storages and streams below it. Stream
// data is either owned by the tree or a view of bytes the caller keeps alive until the
// file is written, so large contents are never copied.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace qm::cfb {

using Clsid = std::array<std::uint8_t, 16>;

class CfbTree {
 public:
  struct Entry {
    std::u16string name;
    bool storage = false;
    Clsid clsid{};
    std::vector<std::size_t> children;  // entry indexes
    std::vector<std::uint8_t> owned;
    Bytes view;  // the stream's bytes (points into `owned` or the caller's memory)
  };

  CfbTree();
  static constexpr std::size_t kRoot = 0;

  std::size_t addStorage(std::size_t parent, std::u16string name, const Clsid& clsid = {});
  std::size_t addStream(std::size_t parent, std::u16string name, std::vector<std::uint8_t> data);
  // The bytes must stay alive and unchanged until the tree has been written.
  std::size_t addStreamView(std::size_t parent, std::u16string name, Bytes data);
  void setClsid(std::size_t entry, const Clsid& clsid) { entries_[entry].clsid = clsid; }

  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::size_t add(std::size_t parent, std::u16string name, bool storage);
  std::vector<Entry> entries_;
};

}  // namespace qm::cfb
