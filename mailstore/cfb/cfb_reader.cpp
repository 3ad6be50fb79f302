#include "mailstore/cfb/cfb_reader.h"

#include <algorithm>
#include <functional>

namespace qm::cfb {
namespace {

std::string hex(std::uint64_t v) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 15]);
    v >>= 4;
  } while (v);
  return "0x" + s;
}

std::string narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// Sector ownership: every sector belongs to exactly one chain or table.
class SectorMap {
 public:
  SectorMap(std::size_t count, std::vector<std::string>& problems) : owner_(count, kFree), problems_(problems) {}
  // Marks a sector; false when it is outside the file or taken.
  bool claim(std::uint64_t sector, std::uint32_t owner, const std::string& what) {
    if (sector >= owner_.size()) {
      problems_.push_back(what + ": sector " + hex(sector) + " is outside the file");
      return false;
    }
    if (owner_[sector] != kFree) {
      problems_.push_back(what + ": sector " + hex(sector) + " is used twice");
      return false;
    }
    owner_[sector] = owner;
    return true;
  }
  bool used(std::size_t sector) const { return owner_[sector] != kFree; }
  std::size_t size() const { return owner_.size(); }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFF;
  std::vector<std::uint32_t> owner_;
  std::vector<std::string>& problems_;
};

// Follows a chain through a table, claiming each sector; returns the sectors in order.
std::vector<std::uint32_t> followChain(const std::vector<std::uint32_t>& table, std::uint32_t start, SectorMap& map,
                                       std::uint32_t owner, const std::string& what) {
  std::vector<std::uint32_t> chain;
  std::uint32_t s = start;
  while (s != ENDOFCHAIN) {
    if (s > MAXREGSECT || s >= table.size()) {
      map.claim(s, owner, what);  // reports it
      break;
    }
    if (!map.claim(s, owner, what)) break;
    chain.push_back(s);
    s = table[s];
  }
  return chain;
}

}  // namespace

std::optional<CompoundFile> CompoundFile::read(Bytes file, std::vector<std::string>& problems, bool balancedTrees) {
  if (file.size() < header::kSize) {
    problems.push_back("shorter than a compound file header");
    return std::nullopt;
  }
  if (!std::equal(std::begin(kSignature), std::end(kSignature), file.begin())) {
    problems.push_back("no compound file signature");
    return std::nullopt;
  }
  const std::uint8_t* h = file.data();
  const std::uint16_t major = loadLe16(h + header::kMajorVersionAt);
  const std::uint16_t shift = loadLe16(h + header::kSectorShiftAt);
  if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) {
    problems.push_back("version " + std::to_string(major) + " with sector shift " + std::to_string(shift));
    return std::nullopt;
  }
  if (loadLe16(h + header::kMinorVersionAt) != kMinorVersion) problems.push_back("minor version is not 0x3E");
  if (loadLe16(h + header::kByteOrderAt) != kByteOrder) problems.push_back("byte order mark is not 0xFFFE");
  if (loadLe16(h + header::kMiniSectorShiftAt) != kMiniSectorShift) problems.push_back("mini sector shift is not 6");
  if (loadLe32(h + header::kMiniStreamCutoffAt) != kMiniStreamCutoff) problems.push_back("mini stream cutoff is not 4096");
  if (major == 3 && loadLe32(h + header::kDirectorySectorsAt) != 0) problems.push_back("directory sector count in version 3");

  CompoundFile cf;
  cf.file_ = file;
  cf.sectorSize_ = std::size_t{1} << shift;
  const std::size_t ss = cf.sectorSize_;
  if (file.size() % ss != 0) problems.push_back("file length is not a whole number of sectors");
  const std::size_t sectorCount = (file.size() - std::min(file.size(), ss)) / ss;
  SectorMap map(sectorCount, problems);
  auto sector = [&](std::uint32_t s) { return file.subspan(ss + std::size_t{s} * ss, ss); };
  enum Owner : std::uint32_t { kFatOwner = 0xFFFFFF00, kDifatOwner, kDirOwner, kMiniFatOwner, kMiniStreamOwner };

  // The DIFAT: the header's 109 entries, then its own chain.
  const std::uint32_t fatCount = loadLe32(h + header::kFatSectorsAt);
  std::vector<std::uint32_t> fatSectors;
  for (std::size_t i = 0; i < header::kDifatInHeader; ++i) {
    const std::uint32_t s = loadLe32(h + header::kDifatAt + 4 * i);
    if (i < fatCount) fatSectors.push_back(s);
    else if (s != FREESECT) problems.push_back("header DIFAT entry " + std::to_string(i) + " past the table is not free");
  }
  std::uint32_t difat = loadLe32(h + header::kFirstDifatSectorAt);
  const std::uint32_t difatCount = loadLe32(h + header::kDifatSectorsAt);
  std::vector<std::uint32_t> difatSectors;
  while (difat != ENDOFCHAIN && difat != FREESECT) {
    if (difatSectors.size() >= difatCount || !map.claim(difat, kDifatOwner, "DIFAT")) {
      problems.push_back("DIFAT chain longer than its count or broken");
      break;
    }
    difatSectors.push_back(difat);
    const std::size_t per = ss / 4 - 1;
    const auto body = sector(difat);
    for (std::size_t k = 0; k < per; ++k) {
      const std::uint32_t s = loadLe32(&body[4 * k]);
      if (fatSectors.size() < fatCount) fatSectors.push_back(s);
      else if (s != FREESECT) problems.push_back("DIFAT entry past the table is not free");
    }
    difat = loadLe32(&body[4 * per]);
  }
  if (difatSectors.size() != difatCount) problems.push_back("DIFAT sector count does not match its chain");
  if (fatSectors.size() != fatCount) {
    problems.push_back("allocation table sectors missing from the DIFAT");
    return std::nullopt;
  }
  for (std::uint32_t s : fatSectors)
    if (!map.claim(s, kFatOwner, "allocation table")) return std::nullopt;
  for (std::uint32_t s : fatSectors) {
    const auto body = sector(s);
    for (std::size_t k = 0; k < ss / 4; ++k) cf.fat_.push_back(loadLe32(&body[4 * k]));
  }
  for (std::uint32_t s : fatSectors)
    if (s < cf.fat_.size() && cf.fat_[s] != FATSECT) problems.push_back("allocation table sector " + hex(s) + " not marked FATSECT");
  for (std::uint32_t s : difatSectors)
    if (s < cf.fat_.size() && cf.fat_[s] != DIFSECT) problems.push_back("DIFAT sector " + hex(s) + " not marked DIFSECT");

  // The directory.
  const auto dirChain = followChain(cf.fat_, loadLe32(h + header::kFirstDirectorySectorAt), map, kDirOwner, "directory");
  if (dirChain.empty()) {
    problems.push_back("no directory");
    return std::nullopt;
  }
  for (std::uint32_t s : dirChain) {
    const auto body = sector(s);
    for (std::size_t off = 0; off + dirent::kSize <= ss; off += dirent::kSize) {
      const std::uint8_t* d = &body[off];
      DirEntry e;
      const std::uint16_t nameBytes = loadLe16(d + dirent::kNameLengthAt);
      e.type = static_cast<ObjectType>(d[dirent::kTypeAt]);
      if (e.type != ObjectType::Unknown) {
        if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 || loadLe16(d + nameBytes - 2) != 0)
          problems.push_back("directory entry " + std::to_string(cf.entries_.size()) + " has a bad name length");
        for (std::size_t k = 0; k + 2 < std::min<std::size_t>(nameBytes, 64); k += 2) e.name.push_back(loadLe16(d + k));
      }
      e.color = static_cast<Color>(d[dirent::kColorAt]);
      e.left = loadLe32(d + dirent::kLeftAt);
      e.right = loadLe32(d + dirent::kRightAt);
      e.child = loadLe32(d + dirent::kChildAt);
      std::copy(d + dirent::kClsidAt, d + dirent::kClsidAt + 16, e.clsid);
      e.start = loadLe32(d + dirent::kStartSectorAt);
      e.size = loadLe64(d + dirent::kStreamSizeAt);
      if (major == 3) e.size &= 0xFFFFFFFF;  // version 3 writers may leave the high half unset
      cf.entries_.push_back(std::move(e));
    }
  }
  if (cf.entries_[0].type != ObjectType::Root) {
    problems.push_back("first directory entry is not the root");
    return std::nullopt;
  }

  // The tree: every entry reached once, siblings ordered, red-black.
  const std::size_t n = cf.entries_.size();
  std::vector<std::uint8_t> seen(n, 0);
  seen[0] = 1;
  std::vector<std::uint32_t> storages{0};
  for (std::size_t si = 0; si < storages.size(); ++si) {
    const std::uint32_t parent = storages[si];
    // Iterative walk of the sibling tree, checking order, colours and black heights.
    struct Frame { std::uint32_t node; int blacks; const DirEntry* low; const DirEntry* high; bool parentRed; };
    std::vector<Frame> stack;
    if (cf.entries_[parent].child != NOSTREAM) stack.push_back({cf.entries_[parent].child, 0, nullptr, nullptr, false});
    if (cf.entries_[parent].child != NOSTREAM && cf.entries_[parent].child < n &&
        cf.entries_[cf.entries_[parent].child].color != Color::Black)
      problems.push_back("sibling tree of " + narrow(cf.entries_[parent].name) + " has a red root");
    int blackHeight = -1;
    bool heightReported = false;
    while (!stack.empty()) {
      const Frame f = stack.back();
      stack.pop_back();
      if (f.node == NOSTREAM) {
        if (blackHeight < 0) blackHeight = f.blacks;
        else if (balancedTrees && blackHeight != f.blacks && !heightReported) {
          problems.push_back("sibling tree of " + narrow(cf.entries_[parent].name) + " is not balanced in black nodes");
          heightReported = true;
        }
        continue;
      }
      if (f.node >= n || seen[f.node]) {
        problems.push_back("directory entry " + hex(f.node) + " is outside the directory or reached twice");
        continue;
      }
      seen[f.node] = 1;
      const DirEntry& e = cf.entries_[f.node];
      if (e.type != ObjectType::Storage && e.type != ObjectType::Stream) {
        problems.push_back("directory entry " + hex(f.node) + " in a tree is neither storage nor stream");
        continue;
      }
      if ((f.low && compareNames(f.low->name.data(), f.low->name.size(), e.name.data(), e.name.size()) >= 0) ||
          (f.high && compareNames(e.name.data(), e.name.size(), f.high->name.data(), f.high->name.size()) >= 0))
        problems.push_back("entry " + narrow(e.name) + " is out of sibling order");
      const bool red = e.color == Color::Red;
      if (e.color != Color::Red && e.color != Color::Black) problems.push_back("entry " + narrow(e.name) + " has no colour");
      if (red && f.parentRed) problems.push_back("entry " + narrow(e.name) + " is red under a red parent");
      const int blacks = f.blacks + (red ? 0 : 1);
      stack.push_back({e.left, blacks, f.low, &e, red});
      stack.push_back({e.right, blacks, &e, f.high, red});
      if (e.type == ObjectType::Storage) storages.push_back(f.node);
      else if (e.child != NOSTREAM) problems.push_back("stream " + narrow(e.name) + " has children");
    }
  }
  for (std::size_t i = 1; i < n; ++i)
    if (!seen[i] && cf.entries_[i].type != ObjectType::Unknown)
      problems.push_back("directory entry " + hex(i) + " is not in the tree");

  // The mini stream and its table.
  const DirEntry& root = cf.entries_[0];
  const auto miniChain = followChain(cf.fat_, root.start, map, kMiniStreamOwner, "mini stream");
  if (miniChain.size() != (root.size + ss - 1) / ss) problems.push_back("mini stream chain does not match its size");
  for (std::uint32_t s : miniChain) {
    const auto body = sector(s);
    cf.miniStream_.insert(cf.miniStream_.end(), body.begin(), body.end());
  }
  cf.miniStream_.resize(std::min<std::uint64_t>(cf.miniStream_.size(), root.size));
  const auto miniFatChain = followChain(cf.fat_, loadLe32(h + header::kFirstMiniFatSectorAt), map, kMiniFatOwner, "mini table");
  if (miniFatChain.size() != loadLe32(h + header::kMiniFatSectorsAt)) problems.push_back("mini table sector count does not match its chain");
  for (std::uint32_t s : miniFatChain) {
    const auto body = sector(s);
    for (std::size_t k = 0; k < ss / 4; ++k) cf.miniFat_.push_back(loadLe32(&body[4 * k]));
  }

  // Every stream's chain against its size.
  const std::size_t miniCount = static_cast<std::size_t>(root.size / kMiniSectorSize);
  SectorMap miniMap(std::min(miniCount, cf.miniFat_.size()), problems);
  for (std::size_t i = 1; i < n; ++i) {
    const DirEntry& e = cf.entries_[i];
    if (e.type != ObjectType::Stream) continue;
    const std::string what = "stream " + narrow(e.name);
    if (e.size == 0) continue;
    const bool mini = e.size < kMiniStreamCutoff;
    const auto chain = mini ? followChain(cf.miniFat_, e.start, miniMap, static_cast<std::uint32_t>(i), what)
                            : followChain(cf.fat_, e.start, map, static_cast<std::uint32_t>(i), what);
    const std::size_t unit = mini ? kMiniSectorSize : ss;
    if (chain.size() != (e.size + unit - 1) / unit) problems.push_back(what + ": chain does not match its size");
  }
  for (std::size_t s = 0; s < map.size() && s < cf.fat_.size(); ++s)
    if (!map.used(s) && cf.fat_[s] != FREESECT) problems.push_back("sector " + hex(s) + " is allocated but lost");
  for (std::size_t s = sectorCount; s < cf.fat_.size(); ++s)
    if (cf.fat_[s] != FREESECT) problems.push_back("allocation table entry " + hex(s) + " past the file is not free");
  if (cf.fat_.size() < sectorCount) problems.push_back("sectors past the allocation table");
  for (std::size_t s = 0; s < miniMap.size(); ++s)
    if (!miniMap.used(s) && cf.miniFat_[s] != FREESECT) problems.push_back("mini sector " + hex(s) + " is allocated but lost");
  return cf;
}

std::vector<std::uint32_t> CompoundFile::children(std::uint32_t storage) const {
  std::vector<std::uint32_t> out;
  std::vector<std::uint32_t> stack;
  std::vector<std::uint8_t> seen(entries_.size(), 0);
  std::uint32_t node = storage < entries_.size() ? entries_[storage].child : NOSTREAM;
  // In-order walk, bounded by the entries each visited once.
  while (node != NOSTREAM || !stack.empty()) {
    while (node != NOSTREAM && node < entries_.size() && !seen[node]) {
      seen[node] = 1;
      stack.push_back(node);
      node = entries_[node].left;
    }
    if (stack.empty()) break;
    node = stack.back();
    stack.pop_back();
    out.push_back(node);
    node = entries_[node].right;
  }
  return out;
}

std::optional<std::uint32_t> CompoundFile::find(std::uint32_t storage, std::u16string_view name) const {
  for (std::uint32_t c : children(storage))
    if (entries_[c].name == name) return c;
  return std::nullopt;
}

std::vector<std::uint8_t> CompoundFile::chainBytes(std::uint32_t start, std::uint64_t size, bool mini) const {
  const std::vector<std::uint32_t>& table = mini ? miniFat_ : fat_;
  const std::size_t unit = mini ? kMiniSectorSize : sectorSize_;
  std::vector<std::uint8_t> out;
  // No chain is longer than the sectors there are: a loop ends there.
  const std::uint64_t sectors = (mini ? miniStream_.size() : file_.size()) / unit;
  if (size > sectors * unit) return {};
  std::uint32_t s = start;
  for (std::uint64_t steps = 0; s != ENDOFCHAIN && out.size() < size && steps <= sectors; ++steps) {
    if (s >= table.size()) return {};
    const std::uint64_t off = mini ? std::uint64_t{s} * unit : (std::uint64_t{s} + 1) * unit;
    const std::size_t have = mini ? miniStream_.size() : file_.size();
    if (off + unit > have) return {};
    const std::uint8_t* p = (mini ? miniStream_.data() : file_.data()) + off;
    out.insert(out.end(), p, p + std::min<std::uint64_t>(unit, size - out.size()));
    s = table[s];
  }
  if (out.size() != size) return {};
  return out;
}

std::vector<std::uint8_t> CompoundFile::stream(std::uint32_t entry) const {
  if (entry >= entries_.size() || entries_[entry].type != ObjectType::Stream) return {};
  const DirEntry& e = entries_[entry];
  return chainBytes(e.start, e.size, e.size < kMiniStreamCutoff);
}

bool checkCompoundFile(Bytes file, std::vector<std::string>& problems, bool balancedTrees) {
  const std::size_t before = problems.size();
  const auto cf = CompoundFile::read(file, problems, balancedTrees);
  return cf && problems.size() == before;
}

}  // namespace qm::cfb
