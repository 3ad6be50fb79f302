// The node and block B-trees (MS-PST 2.2.2.7.7) held in memory as leaf pages. A flush writes
// again only the leaves that changed and the intermediate pages whose children changed, so
// its cost follows what changed rather than the size of the file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace qm::pst {

// Where a page sits: its page BID and file offset (a BREF).
struct PageRef {
  std::uint64_t bid = 0;
  std::uint64_t ib = 0;
  bool operator==(const PageRef&) const = default;
};

template <typename Entry>
class LeafTree {
 public:
  explicit LeafTree(std::size_t maxPerLeaf) : max_(maxPerLeaf) {}

  const Entry* find(std::uint64_t key) const {
    if (leaves_.empty()) return nullptr;
    const Leaf& leaf = leaves_[leafFor(key)];
    auto it = lowerBound(leaf, key);
    return it != leaf.entries.end() && it->key() == key ? &*it : nullptr;
  }

  Entry* findMutable(std::uint64_t key) {
    if (leaves_.empty()) return nullptr;
    Leaf& leaf = leaves_[leafFor(key)];
    auto it = lowerBound(leaf, key);
    if (it == leaf.entries.end() || it->key() != key) return nullptr;
    leaf.dirty = true;
    return &*it;
  }

  // Inserts or replaces the entry with the same key.
  void put(const Entry& e) {
    if (leaves_.empty()) leaves_.push_back(Leaf{});
    const std::size_t li = leafFor(e.key());
    Leaf& leaf = leaves_[li];
    leaf.dirty = true;
    auto it = lowerBound(leaf, e.key());
    if (it != leaf.entries.end() && it->key() == e.key()) {
      *it = e;
      return;
    }
    const bool atEnd = it == leaf.entries.end() && li + 1 == leaves_.size();
    leaf.entries.insert(it, e);
    if (leaf.entries.size() <= max_) return;
    Leaf next;
    // Appends keep pages full; inserts in the middle split the page in two.
    const std::size_t keep = atEnd ? max_ : leaf.entries.size() / 2;
    next.entries.assign(leaf.entries.begin() + static_cast<std::ptrdiff_t>(keep), leaf.entries.end());
    leaf.entries.resize(keep);
    leaves_.insert(leaves_.begin() + static_cast<std::ptrdiff_t>(li + 1), std::move(next));
  }

  bool erase(std::uint64_t key) {
    if (leaves_.empty()) return false;
    const std::size_t li = leafFor(key);
    Leaf& leaf = leaves_[li];
    auto it = lowerBound(leaf, key);
    if (it == leaf.entries.end() || it->key() != key) return false;
    leaf.entries.erase(it);
    leaf.dirty = true;
    if (leaf.entries.empty() && leaves_.size() > 1) {
      if (leaf.page.ib) orphans_.push_back(leaf.page);
      leaves_.erase(leaves_.begin() + static_cast<std::ptrdiff_t>(li));
    }
    return true;
  }

  template <typename F>
  void forEach(F&& f) const {
    for (const Leaf& leaf : leaves_)
      for (const Entry& e : leaf.entries) f(e);
  }

  std::size_t size() const {
    std::size_t n = 0;
    for (const Leaf& leaf : leaves_) n += leaf.entries.size();
    return n;
  }

  // Writes the changed leaves and the intermediate pages above them. `release` frees a page
  // that is no longer used; `writeLeaf` and `writeInner` write one page and return where it
  // went. Returns the root page.
  PageRef write(const std::function<void(const PageRef&)>& release,
                const std::function<PageRef(const std::vector<Entry>&)>& writeLeaf,
                const std::function<PageRef(const std::vector<std::pair<std::uint64_t, PageRef>>&,
                                            unsigned level)>& writeInner) {
    for (const PageRef& p : orphans_) release(p);
    orphans_.clear();
    if (leaves_.empty()) leaves_.push_back(Leaf{});
    std::vector<std::pair<std::uint64_t, PageRef>> level;
    for (Leaf& leaf : leaves_) {
      if (leaf.dirty || !leaf.page.ib) {
        if (leaf.page.ib) release(leaf.page);
        leaf.page = writeLeaf(leaf.entries);
        leaf.dirty = false;
      }
      level.emplace_back(leaf.entries.empty() ? 0 : leaf.entries.front().key(), leaf.page);
    }
    std::vector<std::vector<Inner>> levels;
    for (unsigned depth = 1; level.size() > 1; ++depth) {
      std::vector<Inner>* before = depth <= inner_.size() ? &inner_[depth - 1] : nullptr;
      std::vector<Inner> pages;
      std::vector<std::pair<std::uint64_t, PageRef>> up;
      for (std::size_t i = 0; i < level.size(); i += kMaxInner) {
        const std::size_t n = std::min(kMaxInner, level.size() - i);
        Inner page;
        page.children.assign(level.begin() + static_cast<std::ptrdiff_t>(i),
                             level.begin() + static_cast<std::ptrdiff_t>(i + n));
        Inner* same = before && i / kMaxInner < before->size() ? &(*before)[i / kMaxInner] : nullptr;
        if (same && same->children == page.children) {
          page.ref = same->ref;  // unchanged: it stays where it is
          same->ref = PageRef{};
        } else {
          page.ref = writeInner(page.children, depth);
        }
        up.emplace_back(page.children.front().first, page.ref);
        pages.push_back(std::move(page));
      }
      levels.push_back(std::move(pages));
      level = std::move(up);
    }
    for (const auto& pages : inner_)
      for (const Inner& p : pages)
        if (p.ref.ib) release(p.ref);
    inner_ = std::move(levels);
    return level.front().second;
  }

 private:
  static constexpr std::size_t kMaxInner = 20;
  struct Leaf {
    std::vector<Entry> entries;
    PageRef page;
    bool dirty = true;
  };
  // An intermediate page as last written: where it is and what it points to.
  struct Inner {
    PageRef ref;
    std::vector<std::pair<std::uint64_t, PageRef>> children;
  };

  std::size_t leafFor(std::uint64_t key) const {
    // The last leaf whose first key is not above the key.
    auto it = std::upper_bound(leaves_.begin(), leaves_.end(), key, [](std::uint64_t k, const Leaf& l) {
      return !l.entries.empty() && k < l.entries.front().key();
    });
    return it == leaves_.begin() ? 0 : static_cast<std::size_t>(it - leaves_.begin() - 1);
  }
  static auto lowerBound(const Leaf& leaf, std::uint64_t key) {
    return std::lower_bound(leaf.entries.begin(), leaf.entries.end(), key,
                            [](const Entry& e, std::uint64_t k) { return e.key() < k; });
  }
  static auto lowerBound(Leaf& leaf, std::uint64_t key) {
    return std::lower_bound(leaf.entries.begin(), leaf.entries.end(), key,
                            [](const Entry& e, std::uint64_t k) { return e.key() < k; });
  }

  std::size_t max_;
  std::vector<Leaf> leaves_;
  std::vector<std::vector<Inner>> inner_;  // by level, the one above the leaves first
  std::vector<PageRef> orphans_;
};

}  // namespace qm::pst
