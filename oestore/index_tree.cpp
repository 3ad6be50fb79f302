#include "oestore/index_tree.h"

#include <array>
#include <unordered_set>

#include "oestore/store_format.h"

namespace oe {

namespace {

// 52 children a level: six levels hold more values than a 4 GiB file has room for.
constexpr int kDeepestLevel = 8;

std::string hex(std::uint64_t v) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v);
  return "0x" + s;
}

class Walker {
 public:
  Walker(StoreSource& source, TreeWalk& out) : source_(source), out_(out) {}

  // Walks the subtree at `node`; returns the number of values found in it.
  std::uint64_t walk(std::uint32_t node, std::uint32_t parent, int depth) {
    const std::string where = "tree node " + hex(node);
    if (depth > kDeepestLevel) return problem(where + ": deeper than " + std::to_string(kDeepestLevel) + " levels");
    if (!source_.contains(node, kNodeLength)) return problem(where + ": outside the file");
    if (!seen_.insert(node).second) return problem(where + ": reached twice");
    if (seen_.size() > source_.size() / kNodeLength) return problem(where + ": more nodes than the file holds");
    std::array<std::uint8_t, kNodeLength> bytes{};
    if (!source_.read(node, bytes)) return problem(where + ": cannot be read");
    out_.nodes.push_back(node);
    qm::ByteCursor c(bytes);
    if (c.le32() != node) problem(where + ": self field is not the node's offset");
    c.seek(kNodeLeftChild);
    const std::uint32_t leftChild = c.le32();
    if (c.le32() != parent) problem(where + ": parent field is not " + hex(parent));
    c.seek(kNodeEntryCount);
    const std::uint32_t entries = c.u8();
    c.seek(kNodeLeftCount);
    const std::uint32_t leftCount = c.le32();
    if (entries < 1 || entries > kNodeCapacity)
      return problem(where + ": " + std::to_string(entries) + " entries");

    std::uint64_t found = child(node, leftChild, leftCount, depth, where + " leftmost child");
    for (std::uint32_t k = 0; k < entries; ++k) {
      c.seek(kNodeEntries + k * kEntryLength);
      const std::uint32_t value = c.le32();
      const std::uint32_t childNode = c.le32();
      const std::uint32_t childCount = c.le32();
      out_.values.push_back(value);
      found += 1 + child(node, childNode, childCount, depth, where + " entry " + std::to_string(k));
    }
    return found;
  }

 private:
  std::uint64_t child(std::uint32_t parent, std::uint32_t node, std::uint32_t count, int depth,
                      const std::string& where) {
    if (node == 0) {
      if (count != 0) problem(where + ": no child but " + std::to_string(count) + " values counted");
      return 0;
    }
    const std::uint64_t found = walk(node, parent, depth + 1);
    if (found != count)
      problem(where + ": " + std::to_string(count) + " values counted, " + std::to_string(found) + " found");
    return found;
  }

  std::uint64_t problem(std::string text) {
    out_.problems.push_back(std::move(text));
    return 0;
  }

  StoreSource& source_;
  TreeWalk& out_;
  std::unordered_set<std::uint32_t> seen_;
};

}  // namespace

TreeWalk walkTree(StoreSource& source, std::uint32_t root, std::uint32_t expectedCount) {
  TreeWalk out;
  if (root == 0) {
    if (expectedCount != 0)
      out.problems.push_back("empty tree but " + std::to_string(expectedCount) + " values counted");
    return out;
  }
  Walker walker(source, out);
  const std::uint64_t found = walker.walk(root, 0, 0);
  if (found != expectedCount)
    out.problems.push_back("tree holds " + std::to_string(found) + " values, the header counts " +
                           std::to_string(expectedCount));
  return out;
}

}  // namespace oe
