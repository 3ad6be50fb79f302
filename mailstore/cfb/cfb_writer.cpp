#include "mailstore/cfb/cfb_writer.h"

#include <algorithm>
#include <stdexcept>

#include "mailstore/cfb/cfb_format.h"

namespace qm::cfb {

int compareNames(const char16_t* a, std::size_t aLen, const char16_t* b, std::size_t bLen) {
  if (aLen != bLen) return aLen < bLen ? -1 : 1;
  auto upper = [](char16_t c) -> char16_t {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    return c;
  };
  for (std::size_t i = 0; i < aLen; ++i) {
    const char16_t x = upper(a[i]), y = upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

namespace {

std::uint64_t sectorsFor(std::uint64_t bytes, std::uint64_t unit) { return (bytes + unit - 1) / unit; }

// Where everything goes: sector numbers of each part, in file order.
struct Layout {
  std::vector<std::uint32_t> miniStart;  // per entry: first mini sector or ENDOFCHAIN
  std::vector<std::uint32_t> start;      // per entry: first sector (big streams)
  std::uint64_t miniSectors = 0;
  std::uint64_t miniFatSectors = 0, miniStreamSectors = 0, directorySectors = 0, streamSectors = 0;
  std::uint64_t fatSectors = 0, difatSectors = 0;
  // First sectors of each part; parts follow each other in this order.
  std::uint64_t fatStart = 0, difatStart = 0, directoryStart = 0, miniFatStart = 0, miniStreamStart = 0,
                streamStart = 0;
  std::uint64_t totalSectors = 0;
};

bool isMini(const CfbTree::Entry& e) { return !e.storage && e.view.size() < kMiniStreamCutoff; }

Layout planLayout(const CfbTree& tree) {
  const auto& entries = tree.entries();
  Layout l;
  l.miniStart.assign(entries.size(), ENDOFCHAIN);
  l.start.assign(entries.size(), ENDOFCHAIN);
  std::uint64_t mini = 0, big = 0;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const auto& e = entries[i];
    if (e.storage || e.view.empty()) continue;
    if (isMini(e)) {
      l.miniStart[i] = static_cast<std::uint32_t>(mini);
      mini += sectorsFor(e.view.size(), kMiniSectorSize);
    } else {
      l.start[i] = static_cast<std::uint32_t>(big);  // relative for now
      big += sectorsFor(e.view.size(), kSectorSize);
    }
  }
  l.miniSectors = mini;
  l.miniFatSectors = sectorsFor(mini * 4, kSectorSize);
  l.miniStreamSectors = sectorsFor(mini * kMiniSectorSize, kSectorSize);
  l.directorySectors = sectorsFor(entries.size(), dirent::kPerSector);
  l.streamSectors = big;
  const std::uint64_t data = l.miniFatSectors + l.miniStreamSectors + l.directorySectors + big;
  // The table maps itself and the DIFAT sectors too: grow both until they cover everything.
  std::uint64_t fat = 0, difat = 0;
  for (;;) {
    const std::uint64_t needFat = sectorsFor(data + fat + difat, kFatEntriesPerSector);
    const std::uint64_t needDifat =
        needFat > header::kDifatInHeader ? sectorsFor(needFat - header::kDifatInHeader, kDifatEntriesPerSector) : 0;
    if (needFat == fat && needDifat == difat) break;
    fat = needFat;
    difat = needDifat;
  }
  l.fatSectors = fat;
  l.difatSectors = difat;
  l.fatStart = 0;
  l.difatStart = fat;
  l.directoryStart = l.difatStart + difat;
  l.miniFatStart = l.directoryStart + l.directorySectors;
  l.miniStreamStart = l.miniFatStart + l.miniFatSectors;
  l.streamStart = l.miniStreamStart + l.miniStreamSectors;
  l.totalSectors = l.streamStart + big;
  if (l.totalSectors > MAXREGSECT) throw std::length_error("too large for a compound file");
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (l.start[i] != ENDOFCHAIN) l.start[i] += static_cast<std::uint32_t>(l.streamStart);
  return l;
}

// Red-black trees of siblings: a balanced tree from the sorted names, with the nodes of
// its deepest level red when that level is not the root's.
struct Links {
  std::vector<std::uint32_t> left, right, child;
  std::vector<Color> color;
};

std::uint32_t buildSiblings(const std::vector<std::size_t>& sorted, std::size_t lo, std::size_t hi, int depth,
                            int deepest, Links& links) {
  if (lo >= hi) return NOSTREAM;
  const std::size_t mid = lo + (hi - lo) / 2;
  const std::size_t node = sorted[mid];
  links.color[node] = depth == deepest && depth > 0 ? Color::Red : Color::Black;
  links.left[node] = buildSiblings(sorted, lo, mid, depth + 1, deepest, links);
  links.right[node] = buildSiblings(sorted, mid + 1, hi, depth + 1, deepest, links);
  return static_cast<std::uint32_t>(node);
}

int depthOf(std::size_t n) {  // depth of the deepest node in a tree of n nodes built as above
  int d = -1;
  while (n > 0) {
    n /= 2;
    ++d;
  }
  return d;
}

Links linkDirectory(const CfbTree& tree) {
  const auto& entries = tree.entries();
  Links links;
  links.left.assign(entries.size(), NOSTREAM);
  links.right.assign(entries.size(), NOSTREAM);
  links.child.assign(entries.size(), NOSTREAM);
  links.color.assign(entries.size(), Color::Black);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].storage || entries[i].children.empty()) continue;
    std::vector<std::size_t> sorted = entries[i].children;
    std::sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
      return compareNames(entries[a].name.data(), entries[a].name.size(), entries[b].name.data(),
                          entries[b].name.size()) < 0;
    });
    for (std::size_t k = 1; k < sorted.size(); ++k) {
      const auto& a = entries[sorted[k - 1]].name;
      const auto& b = entries[sorted[k]].name;
      if (compareNames(a.data(), a.size(), b.data(), b.size()) == 0)
        throw std::invalid_argument("two entries of one storage share a name");
    }
    links.child[i] = buildSiblings(sorted, 0, sorted.size(), 0, depthOf(sorted.size()), links);
  }
  return links;
}

class SectorWriter {
 public:
  explicit SectorWriter(const ByteSink& sink) : sink_(sink) { buffer_.reserve(kBufferSize); }
  void put(Bytes bytes) {
    if (bytes.size() >= kBufferSize) {
      flush();
      sink_(bytes);
    } else {
      if (buffer_.size() + bytes.size() > kBufferSize) flush();
      buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }
    written_ += bytes.size();
  }
  void le32(std::uint32_t v) {
    std::uint8_t b[4];
    storeLe32(b, v);
    put(b);
  }
  // Pads with `fill` bytes to the next sector boundary.
  void padSector(std::uint8_t fill = 0) {
    const std::size_t rest = (kSectorSize - written_ % kSectorSize) % kSectorSize;
    const std::vector<std::uint8_t> pad(rest, fill);
    put(pad);
  }
  void flush() {
    if (!buffer_.empty()) sink_(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kBufferSize = 1 << 20;
  const ByteSink& sink_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t written_ = 0;
};

void writeChain(SectorWriter& out, std::uint64_t first, std::uint64_t count) {
  for (std::uint64_t s = 0; s < count; ++s)
    out.le32(s + 1 == count ? ENDOFCHAIN : static_cast<std::uint32_t>(first + s + 1));
}

void writeHeader(SectorWriter& out, const Layout& l) {
  std::vector<std::uint8_t> h(header::kSize, 0);
  std::copy(std::begin(kSignature), std::end(kSignature), h.begin());
  storeLe16(&h[header::kMinorVersionAt], kMinorVersion);
  storeLe16(&h[header::kMajorVersionAt], kMajorVersion3);
  storeLe16(&h[header::kByteOrderAt], kByteOrder);
  storeLe16(&h[header::kSectorShiftAt], kSectorShift3);
  storeLe16(&h[header::kMiniSectorShiftAt], kMiniSectorShift);
  storeLe32(&h[header::kDirectorySectorsAt], 0);  // always 0 in version 3
  storeLe32(&h[header::kFatSectorsAt], static_cast<std::uint32_t>(l.fatSectors));
  storeLe32(&h[header::kFirstDirectorySectorAt], static_cast<std::uint32_t>(l.directoryStart));
  storeLe32(&h[header::kMiniStreamCutoffAt], kMiniStreamCutoff);
  storeLe32(&h[header::kFirstMiniFatSectorAt],
            l.miniFatSectors ? static_cast<std::uint32_t>(l.miniFatStart) : ENDOFCHAIN);
  storeLe32(&h[header::kMiniFatSectorsAt], static_cast<std::uint32_t>(l.miniFatSectors));
  storeLe32(&h[header::kFirstDifatSectorAt], l.difatSectors ? static_cast<std::uint32_t>(l.difatStart) : ENDOFCHAIN);
  storeLe32(&h[header::kDifatSectorsAt], static_cast<std::uint32_t>(l.difatSectors));
  for (std::size_t i = 0; i < header::kDifatInHeader; ++i)
    storeLe32(&h[header::kDifatAt + 4 * i], i < l.fatSectors ? static_cast<std::uint32_t>(l.fatStart + i) : FREESECT);
  out.put(h);
}

void writeFat(SectorWriter& out, const CfbTree& tree, const Layout& l) {
  for (std::uint64_t s = 0; s < l.fatSectors; ++s) out.le32(FATSECT);
  for (std::uint64_t s = 0; s < l.difatSectors; ++s) out.le32(DIFSECT);
  writeChain(out, l.directoryStart, l.directorySectors);
  writeChain(out, l.miniFatStart, l.miniFatSectors);
  writeChain(out, l.miniStreamStart, l.miniStreamSectors);
  const auto& entries = tree.entries();
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (l.start[i] != ENDOFCHAIN) writeChain(out, l.start[i], sectorsFor(entries[i].view.size(), kSectorSize));
  out.padSector(0xFF);  // FREESECT to the end of the last table sector
}

void writeDifat(SectorWriter& out, const Layout& l) {
  std::uint64_t fat = header::kDifatInHeader;
  for (std::uint64_t s = 0; s < l.difatSectors; ++s) {
    for (std::size_t k = 0; k < kDifatEntriesPerSector; ++k, ++fat)
      out.le32(fat < l.fatSectors ? static_cast<std::uint32_t>(l.fatStart + fat) : FREESECT);
    out.le32(s + 1 == l.difatSectors ? ENDOFCHAIN : static_cast<std::uint32_t>(l.difatStart + s + 1));
  }
}

void writeDirectory(SectorWriter& out, const CfbTree& tree, const Layout& l, const Links& links) {
  const auto& entries = tree.entries();
  for (std::size_t i = 0; i < l.directorySectors * dirent::kPerSector; ++i) {
    std::uint8_t d[dirent::kSize] = {};
    if (i >= entries.size()) {  // unused entries
      storeLe32(&d[dirent::kLeftAt], NOSTREAM);
      storeLe32(&d[dirent::kRightAt], NOSTREAM);
      storeLe32(&d[dirent::kChildAt], NOSTREAM);
      out.put(d);
      continue;
    }
    const auto& e = entries[i];
    for (std::size_t k = 0; k < e.name.size(); ++k) storeLe16(&d[dirent::kNameAt + 2 * k], e.name[k]);
    storeLe16(&d[dirent::kNameLengthAt], static_cast<std::uint16_t>(2 * (e.name.size() + 1)));
    const ObjectType type = i == CfbTree::kRoot ? ObjectType::Root : e.storage ? ObjectType::Storage : ObjectType::Stream;
    d[dirent::kTypeAt] = static_cast<std::uint8_t>(type);
    d[dirent::kColorAt] = static_cast<std::uint8_t>(links.color[i]);
    storeLe32(&d[dirent::kLeftAt], links.left[i]);
    storeLe32(&d[dirent::kRightAt], links.right[i]);
    storeLe32(&d[dirent::kChildAt], links.child[i]);
    std::copy(e.clsid.begin(), e.clsid.end(), &d[dirent::kClsidAt]);
    std::uint32_t start = 0;
    std::uint64_t size = 0;
    if (i == CfbTree::kRoot) {
      start = l.miniStreamSectors ? static_cast<std::uint32_t>(l.miniStreamStart) : ENDOFCHAIN;
      size = l.miniSectors * kMiniSectorSize;
    } else if (!e.storage) {
      start = isMini(e) ? l.miniStart[i] : l.start[i];
      size = e.view.size();
    }
    storeLe32(&d[dirent::kStartSectorAt], start);
    storeLe64(&d[dirent::kStreamSizeAt], size);
    out.put(d);
  }
}

void writeMiniParts(SectorWriter& out, const CfbTree& tree, const Layout& l) {
  const auto& entries = tree.entries();
  if (l.miniFatSectors) {
    for (std::size_t i = 1; i < entries.size(); ++i)
      if (isMini(entries[i]) && !entries[i].view.empty())
        writeChain(out, l.miniStart[i], sectorsFor(entries[i].view.size(), kMiniSectorSize));
    out.padSector(0xFF);
  }
  const std::uint8_t zeros[kMiniSectorSize] = {};
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const auto& e = entries[i];
    if (!isMini(e) || e.view.empty()) continue;
    out.put(e.view);
    out.put(Bytes(zeros, (kMiniSectorSize - e.view.size() % kMiniSectorSize) % kMiniSectorSize));
  }
  out.padSector();
}

}  // namespace

std::uint64_t compoundFileSize(const CfbTree& tree) {
  return (1 + planLayout(tree).totalSectors) * kSectorSize;
}

void writeCompoundFile(const CfbTree& tree, const ByteSink& sink) {
  const Layout layout = planLayout(tree);
  const Links links = linkDirectory(tree);
  SectorWriter out(sink);
  writeHeader(out, layout);
  writeFat(out, tree, layout);
  writeDifat(out, layout);
  writeDirectory(out, tree, layout, links);
  writeMiniParts(out, tree, layout);
  const auto& entries = tree.entries();
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (layout.start[i] == ENDOFCHAIN) continue;
    out.put(entries[i].view);
    out.padSector();
  }
  out.flush();
}

}  // namespace qm::cfb
