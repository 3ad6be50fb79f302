#include "tests/engine/reference_linker.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "engine/log_text.h"

namespace {

void precede(DbxBlockRecord& h) {
  h.hasPredecessor = true;
  h.status = h.nextOffset == 0 ? 3 : 2;
}

// Mail list from its first entry: the first start whose self offset is `offset`.
std::int32_t findStart(const std::vector<DbxBlockRecord>& t, const std::vector<std::int32_t>& list,
                       std::uint32_t offset) {
  for (std::size_t k = 0; k < list.size(); ++k) {
    const std::int32_t h = list[k];
    if (h < static_cast<std::int32_t>(t.size()) && t[h].selfOffset == offset)
      return static_cast<std::int32_t>(k);
  }
  return -1;
}

// Waiting list from its last entry: the latest block whose next-block offset is `offset`.
std::int32_t findWaiting(const std::vector<DbxBlockRecord>& t, const std::vector<std::int32_t>& pending,
                         std::uint32_t offset) {
  for (auto k = static_cast<std::int32_t>(pending.size()) - 1; k >= 0; --k)
    if (t[pending[k]].nextOffset == offset) return k;
  return -1;
}

bool follow(std::vector<DbxBlockRecord>& t, std::vector<std::int32_t>& pending, std::int32_t d) {
  const std::int32_t k = findWaiting(t, pending, t[d].selfOffset);
  if (k < 0) return false;
  t[d].status = 2;
  t[d].hasPredecessor = true;
  t[pending[k]].next = d;
  pending.erase(pending.begin() + k);
  return true;
}

}  // namespace

std::int32_t referenceLinkBlocks(std::vector<DbxBlockRecord>& t, std::vector<std::int32_t>& mailList,
                                 const LinkLogger& log) {
  mailList.clear();
  std::vector<std::int32_t> pending;
  const auto n = static_cast<std::int32_t>(t.size());
  for (std::int32_t d = 0; d < n; ++d) {
    DbxBlockRecord& cur = t[d];
    bool waiting = false;
    if (d + 1 < n && cur.nextOffset == t[d + 1].selfOffset && cur.next == -1 && !t[d + 1].hasPredecessor) {
      cur.next = d + 1;
      cur.status = 2;
      t[d + 1].hasPredecessor = true;
    } else {
      waiting = cur.nextOffset != 0;
      if (cur.nextOffset == 0) cur.status = 3;
    }
    if (!cur.hasPredecessor) {
      const std::int32_t k = findStart(t, mailList, cur.nextOffset);
      if (k >= 0) {
        precede(t[mailList[k]]);
        cur.next = mailList[k];
      }
      const bool followed = follow(t, pending, d);
      if (k >= 0 && !followed) {
        cur.status = 4;
        mailList[k] = d;
        continue;
      }
      if (k >= 0 && followed) continue;
      if (!followed) {
        mailList.push_back(d);
        cur.status = 4;
      }
    }
    if (waiting) {
      const std::int32_t k = findStart(t, mailList, cur.nextOffset);
      if (k >= 0) {
        precede(t[mailList[k]]);
        cur.next = mailList[k];
        mailList.erase(mailList.begin() + k);
      }
      const bool followed = follow(t, pending, d);
      if (k < 0 && !followed) pending.push_back(d);
    }
  }
  log(formatLogText("Total %d suspecious object identified", {0}), true);
  for (auto e = static_cast<std::int32_t>(mailList.size()) - 1; e >= 0; --e) {
    std::unordered_set<std::int32_t> visited;
    std::int32_t at = mailList[e];
    visited.insert(at);
    while (t[at].next != -1 && t[at].next >= 0 && t[at].next < n && !visited.count(t[at].next)) {
      at = t[at].next;
      visited.insert(at);
    }
    if (t[at].next == -1 && t[at].nextOffset != 0) {
      log(formatLogText("Mail %d rejected as last object in chain has nextoffset=%x", {e, t[at].nextOffset}),
          true);
      mailList.erase(mailList.begin() + e);
    }
  }
  const auto mails = static_cast<std::int32_t>(mailList.size());
  log(formatLogText("%d Mail headers identified", {mails}), false);
  return mails;
}
