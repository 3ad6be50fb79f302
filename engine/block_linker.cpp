#include "engine/block_linker.h"

#include <algorithm>
#include <functional>
#include <iterator>

#include "engine/log_text.h"

namespace {

constexpr std::int32_t kNone = -1;

// Dense keys for the stored offsets: every distinct self offset gets a key, and a
// next-block offset gets the key of the equal self offset (kNone when no block has it, so
// that it can never match).
struct OffsetKeys {
  std::vector<std::int32_t> self;
  std::vector<std::int32_t> next;
  std::size_t count = 0;
};

OffsetKeys keyOffsets(const std::vector<DbxBlockRecord>& table) {
  std::vector<std::uint32_t> values;
  values.reserve(table.size());
  for (const auto& r : table) values.push_back(r.selfOffset);
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  const auto keyOf = [&](std::uint32_t v) {
    const auto it = std::lower_bound(values.begin(), values.end(), v);
    return it != values.end() && *it == v ? static_cast<std::int32_t>(it - values.begin()) : kNone;
  };
  OffsetKeys keys;
  keys.count = values.size();
  keys.self.reserve(table.size());
  keys.next.reserve(table.size());
  for (const auto& r : table) {
    keys.self.push_back(keyOf(r.selfOffset));
    keys.next.push_back(keyOf(r.nextOffset));
  }
  return keys;
}

class Linker {
 public:
  explicit Linker(std::vector<DbxBlockRecord>& table)
      : t_(table), keys_(keyOffsets(table)), heads_(keys_.count), waiting_(keys_.count) {}

  // Links record d, the records before it being linked already.
  void linkOne(std::int32_t d);

  // The mail list in its order, removed entries left out.
  std::vector<std::int32_t> mailList() const {
    std::vector<std::int32_t> list;
    std::copy_if(slots_.begin(), slots_.end(), std::back_inserter(list),
                 [](std::int32_t s) { return s != kNone; });
    return list;
  }

 private:
  using MinHeap = std::vector<std::int32_t>;

  bool linkUnpreceded(std::int32_t d);
  void linkWaiting(std::int32_t d);

  // Slot of the first mail start, in list order, whose self offset has this key.
  std::int32_t firstHead(std::int32_t key) {
    if (key == kNone) return kNone;
    MinHeap& heap = heads_[key];
    while (!heap.empty()) {
      const std::int32_t slot = heap.front();
      if (slots_[slot] != kNone && keys_.self[slots_[slot]] == key) return slot;
      std::pop_heap(heap.begin(), heap.end(), std::greater<>());
      heap.pop_back();  // stale: the slot was emptied or now holds another block
    }
    return kNone;
  }

  void indexHead(std::int32_t slot) {
    MinHeap& heap = heads_[keys_.self[slots_[slot]]];
    heap.push_back(slot);
    std::push_heap(heap.begin(), heap.end(), std::greater<>());
  }

  void appendHead(std::int32_t d) {
    slots_.push_back(d);
    indexHead(static_cast<std::int32_t>(slots_.size()) - 1);
  }

  // Takes the latest waiting block whose next-block offset equals d's self offset and
  // chains d behind it; false when none waits for d.
  bool followWaiting(std::int32_t d) {
    auto& stack = waiting_[keys_.self[d]];
    if (stack.empty()) return false;
    const std::int32_t p = stack.back();
    stack.pop_back();
    t_[d].status = kBlockChained;
    t_[d].hasPredecessor = true;
    t_[p].next = d;
    return true;
  }

  void markPreceded(std::int32_t h) {
    t_[h].hasPredecessor = true;
    t_[h].status = t_[h].nextOffset == 0 ? kBlockLast : kBlockChained;
  }

  std::vector<DbxBlockRecord>& t_;
  OffsetKeys keys_;
  std::vector<std::int32_t> slots_;   // the mail list; kNone marks a removed entry
  std::vector<MinHeap> heads_;        // per self-offset key: slots, smallest first
  std::vector<std::vector<std::int32_t>> waiting_;  // per next-offset key: waiting blocks
  bool waitingNow_ = false;
};

void Linker::linkOne(std::int32_t d) {
  DbxBlockRecord& cur = t_[d];
  const auto n = static_cast<std::int32_t>(t_.size());
  // The neighbour behind it in the file is taken directly.
  if (d + 1 < n && cur.nextOffset == t_[d + 1].selfOffset && cur.next == kNone &&
      !t_[d + 1].hasPredecessor) {
    cur.next = d + 1;
    cur.status = kBlockChained;
    t_[d + 1].hasPredecessor = true;
    waitingNow_ = false;
  } else {
    // A nonzero next-block offset waits for its block, whatever its top bit.
    waitingNow_ = cur.nextOffset != 0;
    if (cur.nextOffset == 0) cur.status = kBlockLast;
  }
  if (!cur.hasPredecessor && !linkUnpreceded(d)) return;
  if (waitingNow_) linkWaiting(d);
}

// A block with no predecessor yet: it may precede a mail start and may follow a waiting
// block. Returns whether the waiting step still runs.
bool Linker::linkUnpreceded(std::int32_t d) {
  DbxBlockRecord& cur = t_[d];
  const std::int32_t headSlot = firstHead(keys_.next[d]);
  if (headSlot != kNone) {
    const std::int32_t h = slots_[headSlot];
    markPreceded(h);
    cur.next = h;
  }
  const bool followed = followWaiting(d);
  if (headSlot != kNone) {
    if (!followed) {
      cur.status = kBlockMailStart;
      slots_[headSlot] = d;  // takes the place of the start it precedes
      indexHead(headSlot);
    }
    return false;
  }
  if (!followed) {
    cur.status = kBlockMailStart;
    appendHead(d);
  }
  return true;
}

void Linker::linkWaiting(std::int32_t d) {
  const std::int32_t headSlot = firstHead(keys_.next[d]);
  if (headSlot != kNone) {
    const std::int32_t h = slots_[headSlot];
    markPreceded(h);
    t_[d].next = h;
    slots_[headSlot] = kNone;
  }
  const bool followed = followWaiting(d);
  if (headSlot == kNone && !followed && keys_.next[d] != kNone)
    waiting_[keys_.next[d]].push_back(d);  // a block no one can follow is never looked up
}

}  // namespace

LinkOutcome linkBlockTable(std::vector<DbxBlockRecord>& table, std::vector<std::int32_t>& mailList,
                           const LinkLogger& log) {
  mailList.clear();
  Linker linker(table);
  const auto n = static_cast<std::int32_t>(table.size());
  for (std::int32_t d = 0; d < n; ++d) {
    try {
      linker.linkOne(d);
    } catch (...) {
      log(formatLogText("Exception in linking object=%d", {d}), true);
    }
  }
  mailList = linker.mailList();
  log(formatLogText("Total %d suspecious object identified", {0}), true);
  LinkOutcome outcome;
  outcome.rejected = dropIncompleteChains(table, mailList, log);
  outcome.mails = static_cast<std::int32_t>(mailList.size());
  log(formatLogText("%d Mail headers identified", {outcome.mails}), false);
  return outcome;
}

namespace {

constexpr std::int32_t kNoTerminal = -2;

// For every block, the block with no successor that a walk from it ends on, or kNoTerminal
// when the walk ends in a loop or on a successor index out of range. Each block is walked
// once over all starts.
std::vector<std::int32_t> chainEnds(const std::vector<DbxBlockRecord>& table) {
  const auto n = static_cast<std::int32_t>(table.size());
  constexpr std::int32_t kUnknown = -3, kOnPath = -4;
  std::vector<std::int32_t> end(table.size(), kUnknown);
  std::vector<std::int32_t> path;
  for (std::int32_t start = 0; start < n; ++start) {
    if (end[start] != kUnknown) continue;
    std::int32_t at = start;
    std::int32_t result = kNoTerminal;
    for (;;) {
      if (end[at] == kOnPath) break;  // came back round a loop
      if (end[at] != kUnknown) {
        result = end[at];
        break;
      }
      end[at] = kOnPath;
      path.push_back(at);
      const std::int32_t next = table[at].next;
      if (next == kNone) {
        result = at;
        break;
      }
      if (next < 0 || next >= n) break;
      at = next;
    }
    for (const std::int32_t p : path) end[p] = result;
    path.clear();
  }
  return end;
}

}  // namespace

std::int32_t dropIncompleteChains(const std::vector<DbxBlockRecord>& table,
                                  std::vector<std::int32_t>& mailList, const LinkLogger& log) {
  const std::vector<std::int32_t> end = chainEnds(table);
  const auto n = static_cast<std::int32_t>(table.size());
  std::vector<bool> keep(mailList.size(), true);
  std::int32_t rejected = 0;
  for (auto e = static_cast<std::int32_t>(mailList.size()) - 1; e >= 0; --e) {
    const std::int32_t first = mailList[e];
    if (first < 0 || first >= n || end[first] == kNoTerminal) continue;
    const DbxBlockRecord& last = table[end[first]];
    if (last.nextOffset == 0) continue;
    keep[e] = false;
    ++rejected;
    log(formatLogText("Mail %d rejected as last object in chain has nextoffset=%x",
                      {e, last.nextOffset}),
        true);
  }
  std::size_t kept = 0;
  for (std::size_t e = 0; e < mailList.size(); ++e)
    if (keep[e]) mailList[kept++] = mailList[e];
  mailList.resize(kept);
  return rejected;
}
