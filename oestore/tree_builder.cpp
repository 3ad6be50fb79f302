#include "oestore/tree_builder.h"

#include "oestore/store_format.h"
#include "platform/bytes.h"

namespace oe {

namespace {

// Values a full subtree of `height` levels holds.
std::uint64_t capacityOf(int height) {
  std::uint64_t c = kNodeCapacity;
  for (int h = 1; h < height; ++h) c = c * (kNodeCapacity + 1) + kNodeCapacity;
  return c;
}

int heightFor(std::uint64_t count) {
  int h = 1;
  while (count > capacityOf(h)) ++h;
  return h;
}

// How a subtree of `count` values splits: the separators its root holds and the values
// of each child, as even as can be.
struct Split {
  std::uint64_t separators = 0;
  std::vector<std::uint64_t> children;
};

Split splitOf(std::uint64_t count) {
  Split s;
  const int h = heightFor(count);
  if (h == 1) {
    s.separators = count;
    return s;
  }
  const std::uint64_t below = capacityOf(h - 1);
  s.separators = count / (below + 1);  // the fewest that leave no child over capacity
  const std::uint64_t rest = count - s.separators;
  const std::uint64_t parts = s.separators + 1;
  for (std::uint64_t c = 0; c < parts; ++c) s.children.push_back(rest / parts + (c < rest % parts ? 1 : 0));
  return s;
}

void plan(std::span<const std::uint32_t> values, std::int64_t parent, std::uint8_t id, std::vector<PlannedNode>& out) {
  const std::size_t self = out.size();
  out.emplace_back();
  out[self].parent = parent;
  out[self].id = id;
  const Split split = splitOf(values.size());
  if (split.children.empty()) {
    out[self].values.assign(values.begin(), values.end());
    out[self].children.assign(values.size() + 1, -1);
    out[self].childCounts.assign(values.size() + 1, 0);
    return;
  }
  std::size_t at = 0;
  for (std::size_t c = 0; c < split.children.size(); ++c) {
    const std::size_t n = split.children[c];
    const auto child = static_cast<std::int64_t>(out.size());
    plan(values.subspan(at, n), static_cast<std::int64_t>(self), static_cast<std::uint8_t>(c), out);
    out[self].children.push_back(child);
    out[self].childCounts.push_back(static_cast<std::uint32_t>(n));
    at += n;
    if (c + 1 < split.children.size()) out[self].values.push_back(values[at++]);
  }
}

}  // namespace

std::vector<PlannedNode> planTree(std::span<const std::uint32_t> values) {
  std::vector<PlannedNode> out;
  if (!values.empty()) plan(values, -1, 0, out);
  return out;
}

std::uint64_t treeNodeCount(std::uint64_t count) {
  if (count == 0) return 0;
  const Split split = splitOf(count);
  std::uint64_t nodes = 1;
  for (const std::uint64_t c : split.children) nodes += treeNodeCount(c);
  return nodes;
}

std::vector<std::uint8_t> encodeTree(const std::vector<PlannedNode>& nodes, std::uint32_t start) {
  std::vector<std::uint8_t> out(nodes.size() * kNodeLength, 0);
  auto offsetOf = [&](std::int64_t node) {
    return node < 0 ? 0u : start + static_cast<std::uint32_t>(node) * static_cast<std::uint32_t>(kNodeLength);
  };
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const PlannedNode& n = nodes[i];
    std::uint8_t* p = out.data() + i * kNodeLength;
    qm::storeLe32(p + kNodeSelf, offsetOf(static_cast<std::int64_t>(i)));
    qm::storeLe32(p + kNodeLeftChild, offsetOf(n.children[0]));
    qm::storeLe32(p + kNodeParent, offsetOf(n.parent));
    p[kNodeId] = n.id;
    p[kNodeEntryCount] = static_cast<std::uint8_t>(n.values.size());
    qm::storeLe32(p + kNodeLeftCount, n.childCounts[0]);
    for (std::size_t k = 0; k < n.values.size(); ++k) {
      std::uint8_t* e = p + kNodeEntries + k * kEntryLength;
      qm::storeLe32(e, n.values[k]);
      qm::storeLe32(e + 4, offsetOf(n.children[k + 1]));
      qm::storeLe32(e + 8, n.childCounts[k + 1]);
    }
  }
  return out;
}

}  // namespace oe
