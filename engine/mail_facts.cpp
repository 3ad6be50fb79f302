// What the engine can tell about single mails without writing them, for a listing.
#include <unordered_set>
#include <vector>

#include "engine/dbx_file.h"
#include "engine/mail_header.h"

namespace {

bool startsChain(const std::vector<DbxBlockRecord>& table, std::int32_t first) {
  return first >= 0 && static_cast<std::size_t>(first) < table.size() &&
         table[static_cast<std::size_t>(first)].status == kBlockMailStart;
}

}  // namespace

bool DbxFile::describeMail(std::int32_t mailNumber, MailFacts& facts) {
  facts = {};
  if (mailNumber < 0 || static_cast<std::size_t>(mailNumber) >= mailList.size()) return false;
  return describeChain(mailList[static_cast<std::size_t>(mailNumber)], facts);
}

std::vector<std::int32_t> DbxFile::droppedChains() const {
  // A dropped chain keeps its first block's status: a mail start that the list lost.
  const auto& table = blockTable;
  std::vector<bool> listed(table.size(), false);
  for (const std::int32_t first : mailList)
    if (first >= 0 && static_cast<std::size_t>(first) < table.size())
      listed[static_cast<std::size_t>(first)] = true;
  std::vector<std::int32_t> dropped;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (!listed[i] && table[i].status == kBlockMailStart)
      dropped.push_back(static_cast<std::int32_t>(i));
  return dropped;
}

bool DbxFile::describeChain(std::int32_t first, MailFacts& facts) {
  facts = {};
  const auto& table = blockTable;
  if (!opened || !startsChain(table, first)) return false;
  facts.offset = table[static_cast<std::size_t>(first)].position;
  std::unordered_set<std::int32_t> seen;
  std::int32_t last = first;
  for (std::int32_t i = first;
       i >= 0 && static_cast<std::size_t>(i) < table.size() && seen.insert(i).second;
       i = table[static_cast<std::size_t>(i)].next) {
    ++facts.blocks;
    facts.bytes += table[static_cast<std::size_t>(i)].usedLength;
    last = i;
  }
  const std::int32_t after = table[static_cast<std::size_t>(last)].next;
  facts.complete = after == -1 && table[static_cast<std::size_t>(last)].nextOffset == 0;
  if (!readHead(first, facts.head)) return false;
  facts.header = looksLikeMailHeader(facts.head);
  return true;
}
