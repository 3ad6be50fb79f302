#include "tests/support/storegen/store_generator.h"

#include <algorithm>
#include <stdexcept>

#include "platform/bytes.h"

namespace qm::storegen {

namespace {

constexpr std::uint32_t kMagic = 0xFE12ADCF;
constexpr std::uint32_t kMessageKind = 0x6F74FDC5;
constexpr std::uint32_t kDataArea = 512;
constexpr std::uint64_t kBlockLength = 528;

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }

 private:
  std::uint64_t state_;
};

// Garbage never holds the byte 0x02, so it can never complete a block header by accident.
void fillGarbage(Random& random, std::uint8_t* out, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    auto b = static_cast<std::uint8_t>(random.next() >> 56);
    out[i] = b == 0x02 ? 0x03 : b;
  }
}

struct BlockRef {
  std::size_t mail;
  std::size_t block;
};

std::size_t blocksFor(std::size_t length) { return (length + kDataArea - 1) / kDataArea; }

// The blocks of all mails in the order they take in the file.
std::vector<BlockRef> fileOrder(const std::vector<std::size_t>& lengths, const StoreOptions& options) {
  std::vector<BlockRef> order;
  const auto append = [&](std::size_t m, bool reversed) {
    const std::size_t n = blocksFor(lengths[m]);
    for (std::size_t k = 0; k < n; ++k) order.push_back({m, reversed ? n - 1 - k : k});
  };
  if (options.layout == Layout::Interleaved) {
    std::size_t longest = 0;
    for (const auto len : lengths) longest = std::max(longest, blocksFor(len));
    for (std::size_t k = 0; k < longest; ++k)
      for (std::size_t m = 0; m < lengths.size(); ++m)
        if (k < blocksFor(lengths[m])) order.push_back({m, k});
    return order;
  }
  for (std::size_t m = 0; m < lengths.size(); ++m) append(m, options.layout == Layout::Reversed);
  if (options.layout == Layout::Shuffled) {
    Random random(options.seed ^ 0x5348554646ull);
    for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[random.below(i)]);
  }
  return order;
}

std::uint32_t storedOffset(std::uint64_t position, std::int64_t shift) {
  const std::int64_t value = static_cast<std::int64_t>(position) + shift;
  if (value < 0 || value > 0xFFFFFFFFll) throw std::invalid_argument("stored offset out of range");
  return static_cast<std::uint32_t>(value);
}

}  // namespace

StorePlan planStore(const std::vector<std::size_t>& mailLengths, const StoreOptions& options) {
  if (options.firstBlock < 8) throw std::invalid_argument("blocks must follow the signature");
  StorePlan plan;
  plan.mails.resize(mailLengths.size());
  for (std::size_t m = 0; m < mailLengths.size(); ++m) {
    if (mailLengths[m] == 0) throw std::invalid_argument("a mail needs at least one byte of text");
    plan.mails[m].resize(blocksFor(mailLengths[m]));
  }
  Random gaps(options.seed * 0x9E37ull + 17);
  std::uint64_t position = options.firstBlock;
  bool first = true;
  for (const BlockRef& ref : fileOrder(mailLengths, options)) {
    if (options.layout == Layout::Spread && !first) position += gaps.below(options.largestGap + 1ull);
    first = false;
    PlacedBlock& b = plan.mails[ref.mail][ref.block];
    b.position = position;
    b.selfOffset = storedOffset(position, options.selfOffsetShift);
    const std::size_t rest = mailLengths[ref.mail] - ref.block * kDataArea;
    b.usedLength = static_cast<std::uint32_t>(std::min<std::size_t>(rest, kDataArea));
    position += kBlockLength;
  }
  for (auto& mail : plan.mails)
    for (std::size_t k = 0; k + 1 < mail.size(); ++k) mail[k].nextOffset = mail[k + 1].selfOffset;
  plan.size = position;
  return plan;
}

void emitStore(const StorePlan& plan, const std::function<std::string(std::size_t)>& mailText,
               const StoreOptions& options, const ByteSink& sink) {
  std::vector<std::uint8_t> header(options.firstBlock, 0);
  storeLe32(header.data(), kMagic);
  storeLe32(header.data() + 4, kMessageKind);
  sink(header.data(), header.size());

  struct Placed {
    std::uint64_t position;
    BlockRef ref;
  };
  std::vector<Placed> blocks;
  for (std::size_t m = 0; m < plan.mails.size(); ++m)
    for (std::size_t k = 0; k < plan.mails[m].size(); ++k) blocks.push_back({plan.mails[m][k].position, {m, k}});
  std::sort(blocks.begin(), blocks.end(), [](const Placed& a, const Placed& b) { return a.position < b.position; });

  Random garbage(options.seed + 0xC0FFEEull);
  std::vector<std::uint8_t> buffer;
  std::uint64_t at = options.firstBlock;
  std::size_t textMail = static_cast<std::size_t>(-1);
  std::string text;
  for (const Placed& p : blocks) {
    if (p.position < at) throw std::invalid_argument("blocks overlap");
    buffer.resize(static_cast<std::size_t>(p.position - at));
    fillGarbage(garbage, buffer.data(), buffer.size());
    if (!buffer.empty()) sink(buffer.data(), buffer.size());
    if (p.ref.mail != textMail) {
      text = mailText(p.ref.mail);
      textMail = p.ref.mail;
    }
    const PlacedBlock& b = plan.mails[p.ref.mail][p.ref.block];
    buffer.assign(kBlockLength, 0);
    storeLe32(buffer.data(), b.selfOffset);
    storeLe32(buffer.data() + 4, kDataArea);
    storeLe32(buffer.data() + 8, b.usedLength);
    storeLe32(buffer.data() + 12, b.nextOffset);
    std::copy_n(text.data() + p.ref.block * kDataArea, b.usedLength, buffer.data() + 16);
    sink(buffer.data(), buffer.size());
    at = p.position + kBlockLength;
  }
}

GeneratedStore buildStore(const std::vector<std::string>& mails, const StoreOptions& options) {
  std::vector<std::size_t> lengths;
  for (const auto& m : mails) lengths.push_back(m.size());
  GeneratedStore store;
  store.plan = planStore(lengths, options);
  store.bytes.reserve(static_cast<std::size_t>(store.plan.size));
  emitStore(store.plan, [&](std::size_t m) { return mails[m]; }, options,
            [&](const std::uint8_t* data, std::size_t size) { store.bytes.insert(store.bytes.end(), data, data + size); });
  return store;
}

void cutChainAt(GeneratedStore& store, std::size_t mail, std::size_t block) {
  const PlacedBlock& b = store.plan.mails.at(mail).at(block);
  Random random(b.position);
  fillGarbage(random, store.bytes.data() + b.position, kBlockLength);
}

void pointPastEnd(GeneratedStore& store, std::size_t mail, std::size_t block) {
  const PlacedBlock& b = store.plan.mails.at(mail).at(block);
  storeLe32(store.bytes.data() + b.position + 12, static_cast<std::uint32_t>(store.bytes.size()));
}

void truncateStore(GeneratedStore& store, std::uint64_t length) {
  if (length < store.bytes.size()) store.bytes.resize(static_cast<std::size_t>(length));
}

void breakMagic(GeneratedStore& store) { storeLe32(store.bytes.data(), 0x12345678); }

void setKind(GeneratedStore& store, std::uint32_t kind) { storeLe32(store.bytes.data() + 4, kind); }

std::string blockLikePattern(std::uint32_t selfOffset, std::uint32_t usedLength) {
  ByteWriter w;
  w.le32(selfOffset);
  w.le32(kDataArea);
  w.le32(usedLength);
  w.le32(0);
  return std::string(w.data().begin(), w.data().end());
}

void writeBlockHeader(std::vector<std::uint8_t>& bytes, std::uint64_t position, std::uint32_t selfOffset,
                      std::uint32_t usedLength, std::uint32_t nextOffset) {
  if (bytes.size() < position + 16) bytes.resize(static_cast<std::size_t>(position + 16), 0);
  std::uint8_t* p = bytes.data() + position;
  storeLe32(p, selfOffset);
  storeLe32(p + 4, kDataArea);
  storeLe32(p + 8, usedLength);
  storeLe32(p + 12, nextOffset);
}

void writeBlock(std::vector<std::uint8_t>& bytes, std::uint64_t position, std::uint32_t selfOffset,
                std::uint32_t nextOffset, const std::string& text) {
  if (text.size() > kDataArea) throw std::invalid_argument("a block holds at most 512 bytes");
  if (bytes.size() < 8) bytes.resize(8, 0);
  storeLe32(bytes.data(), kMagic);
  storeLe32(bytes.data() + 4, kMessageKind);
  if (bytes.size() < position + kBlockLength) bytes.resize(static_cast<std::size_t>(position + kBlockLength), 0);
  writeBlockHeader(bytes, position, selfOffset, static_cast<std::uint32_t>(text.size()), nextOffset);
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position + 16));
}

namespace {
constexpr struct {
  Layout layout;
  const char* name;
} kLayoutNames[] = {{Layout::InOrder, "in-order"},
                    {Layout::Reversed, "reversed"},
                    {Layout::Interleaved, "interleaved"},
                    {Layout::Spread, "spread"},
                    {Layout::Shuffled, "shuffled"}};
}  // namespace

const char* layoutName(Layout layout) {
  for (const auto& entry : kLayoutNames)
    if (entry.layout == layout) return entry.name;
  return "?";
}

bool parseLayout(const std::string& name, Layout& layout) {
  for (const auto& entry : kLayoutNames) {
    if (name == entry.name) {
      layout = entry.layout;
      return true;
    }
  }
  return false;
}

}  // namespace qm::storegen
