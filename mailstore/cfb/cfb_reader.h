// Reads a compound file (MS-CFB) held in memory and checks its structure strictly: the
// header, the DIFAT, the allocation tables, every sector chain against its stream's size,
// sectors used twice or lost, and each storage's children as an ordered red-black tree.
// Survives any bytes: every index is bounded and every chain is cut at the file's length.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mailstore/cfb/cfb_format.h"
#include "platform/bytes.h"

namespace qm::cfb {

struct DirEntry {
  std::u16string name;
  ObjectType type = ObjectType::Unknown;
  Color color = Color::Black;
  std::uint32_t left = NOSTREAM, right = NOSTREAM, child = NOSTREAM;
  std::uint32_t start = 0;
  std::uint64_t size = 0;
  std::uint8_t clsid[16] = {};
};

class CompoundFile {
 public:
  // Reads the structure; `problems` receives a line per fault found. Null when the file is
  // too broken to list its entries. Sibling trees whose paths differ in black nodes are a
  // fault only when `balancedTrees`: Outlook itself writes such trees, and every reader
  // takes them, but our writer never does.
  static std::optional<CompoundFile> read(Bytes file, std::vector<std::string>& problems,
                                          bool balancedTrees = false);

  const std::vector<DirEntry>& entries() const { return entries_; }
  // The children of a storage entry, in sibling order.
  std::vector<std::uint32_t> children(std::uint32_t storage) const;
  // The entry of that name among a storage's children.
  std::optional<std::uint32_t> find(std::uint32_t storage, std::u16string_view name) const;
  // A stream's bytes (empty for a broken chain).
  std::vector<std::uint8_t> stream(std::uint32_t entry) const;

 private:
  std::vector<std::uint8_t> chainBytes(std::uint32_t start, std::uint64_t size, bool mini) const;

  Bytes file_;
  std::size_t sectorSize_ = kSectorSize;
  std::vector<std::uint32_t> fat_, miniFat_;
  std::vector<DirEntry> entries_;
  std::vector<std::uint8_t> miniStream_;
};

// True when the file has no structural fault; the faults found go into `problems`.
bool checkCompoundFile(Bytes file, std::vector<std::string>& problems, bool balancedTrees = false);

}  // namespace qm::cfb
