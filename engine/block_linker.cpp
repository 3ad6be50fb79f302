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

// Short lists of block indexes, one per key, kept side by side in one array: a key's list
// has room for every record filed under that key, and each record is added to a list at
// most once, so the lists never outgrow their room and cost no allocation of their own.
class KeyedLists {
 public:
  KeyedLists(const std::vector<std::int32_t>& keyOfRecord, std::size_t keyCount)
      : start_(keyCount + 1, 0), size_(keyCount, 0) {
    for (const std::int32_t k : keyOfRecord)
      if (k != kNone) ++start_[static_cast<std::size_t>(k) + 1];
    for (std::size_t k = 0; k < keyCount; ++k) start_[k + 1] += start_[k];
    items_.resize(static_cast<std::size_t>(start_.back()));
  }

  std::int32_t* begin(std::int32_t key) { return items_.data() + start_[key]; }
  std::int32_t* end(std::int32_t key) { return begin(key) + size_[key]; }
  bool empty(std::int32_t key) const { return size_[key] == 0; }
  void push(std::int32_t key, std::int32_t value) { *end(key) = value, ++size_[key]; }
  void pop(std::int32_t key) { --size_[key]; }

 private:
  std::vector<std::int32_t> start_;
  std::vector<std::int32_t> size_;
  std::vector<std::int32_t> items_;
};

class Linker {
 public:
  // Takes over from the linear pass: `mailList` is the list it built, in its order.
  Linker(std::vector<DbxBlockRecord>& table, const std::vector<std::int32_t>& mailList)
      : t_(table), keys_(keyOffsets(table)), heads_(keys_.self, keys_.count), waiting_(keys_.next, keys_.count) {
    for (const std::int32_t d : mailList) appendHead(d);
  }

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
  bool linkUnpreceded(std::int32_t d);
  void linkWaiting(std::int32_t d);

  // Slot of the first mail start, in list order, whose self offset has this key.
  std::int32_t firstHead(std::int32_t key) {
    if (key == kNone) return kNone;
    while (!heads_.empty(key)) {
      const std::int32_t slot = *heads_.begin(key);
      if (slots_[slot] != kNone && keys_.self[slots_[slot]] == key) return slot;
      std::pop_heap(heads_.begin(key), heads_.end(key), std::greater<>());
      heads_.pop(key);  // stale: the slot was emptied or now holds another block
    }
    return kNone;
  }

  void indexHead(std::int32_t slot) {
    const std::int32_t key = keys_.self[slots_[slot]];
    heads_.push(key, slot);
    std::push_heap(heads_.begin(key), heads_.end(key), std::greater<>());
  }

  void appendHead(std::int32_t d) {
    slots_.push_back(d);
    indexHead(static_cast<std::int32_t>(slots_.size()) - 1);
  }

  // Takes the latest waiting block whose next-block offset equals d's self offset and
  // chains d behind it; false when none waits for d.
  bool followWaiting(std::int32_t d) {
    const std::int32_t key = keys_.self[d];
    if (waiting_.empty(key)) return false;
    const std::int32_t p = *(waiting_.end(key) - 1);
    waiting_.pop(key);
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
  KeyedLists heads_;    // per self-offset key: a min-heap of mail-list slots
  KeyedLists waiting_;  // per next-offset key: waiting blocks, latest last
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
    waiting_.push(keys_.next[d], d);  // a block no one can follow is never looked up
}

// The linear pass: links the records in file order for as long as the linking needs no
// index, which holds while every chain runs forward to the block behind it. Then no block
// waits for a successor, and the mail starts are appended with rising self offsets, so
// whether one has a given self offset is a binary search away. Returns the first record
// that would need more (a block that waits, a start that a block precedes, a start whose
// self offset does not rise); the table's size when it linked every record. The records
// before it are linked exactly as the indexed path links them, and `mailList` holds the
// starts found so far.
std::int32_t linkForward(std::vector<DbxBlockRecord>& t, std::vector<std::int32_t>& mailList) {
  const auto n = static_cast<std::int32_t>(t.size());
  std::vector<std::uint32_t> startOffsets;  // self offsets of the starts in mailList, rising
  for (std::int32_t d = 0; d < n; ++d) {
    DbxBlockRecord& cur = t[d];
    const bool toNeighbour = d + 1 < n && cur.nextOffset == t[d + 1].selfOffset && cur.next == kNone &&
                             !t[d + 1].hasPredecessor;
    if (!toNeighbour && cur.nextOffset != 0) return d;  // it would wait
    const bool starts = !cur.hasPredecessor;
    if (starts) {
      if (!startOffsets.empty() && cur.selfOffset <= startOffsets.back()) return d;
      if (std::binary_search(startOffsets.begin(), startOffsets.end(), cur.nextOffset)) return d;  // it precedes a start
    }
    if (toNeighbour) {
      cur.next = d + 1;
      cur.status = kBlockChained;
      t[d + 1].hasPredecessor = true;
    } else {
      cur.status = kBlockLast;
    }
    if (starts) {
      cur.status = kBlockMailStart;
      mailList.push_back(d);
      startOffsets.push_back(cur.selfOffset);
    }
  }
  return n;
}

}  // namespace

LinkOutcome linkBlockTable(std::vector<DbxBlockRecord>& table, std::vector<std::int32_t>& mailList,
                           const LinkLogger& log) {
  mailList.clear();
  const auto n = static_cast<std::int32_t>(table.size());
  const std::int32_t linked = linkForward(table, mailList);
  if (linked < n) {
    Linker linker(table, mailList);
    for (std::int32_t d = linked; d < n; ++d) {
      try {
        linker.linkOne(d);
      } catch (...) {
        log(formatLogText("Exception in linking object=%d", {d}), true);
      }
    }
    mailList = linker.mailList();
  }
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
