#include "tests/mailstore/dbx_mail_extractor.h"

#include <map>
#include <set>

#include "platform/bytes.h"
#include "tests/support/files.h"

namespace qm::test {

namespace {

struct Block {
  std::uint32_t next;
  std::uint32_t used;
};

}  // namespace

std::vector<std::string> extractDbxMails(const std::string& dbxPath) {
  const std::string file = readFile(dbxPath);
  const auto* p = reinterpret_cast<const std::uint8_t*>(file.data());
  std::map<std::uint32_t, Block> blocks;  // by position
  for (std::size_t pos = 0; pos + 528 <= file.size(); ++pos) {
    if (loadLe32(p + pos) != pos || loadLe32(p + pos + 4) != 0x200) continue;
    const std::uint32_t used = loadLe32(p + pos + 8), next = loadLe32(p + pos + 12);
    if (pos < 0xEAD4 || used == 0 || used > 512) continue;
    if (next != 0 && (used != 512 || next < 0xEAD4 || next >= file.size())) continue;
    blocks[static_cast<std::uint32_t>(pos)] = Block{next, used};
  }
  std::set<std::uint32_t> pointedTo;
  for (const auto& [pos, b] : blocks) {
    if (b.next) pointedTo.insert(b.next);
  }
  std::vector<std::string> mails;
  for (const auto& [start, first] : blocks) {
    if (pointedTo.count(start)) continue;
    std::string mail;
    std::set<std::uint32_t> seen;
    for (auto it = blocks.find(start); it != blocks.end() && seen.insert(it->first).second;
         it = it->second.next ? blocks.find(it->second.next) : blocks.end()) {
      mail.append(file, it->first + 16, it->second.used);
    }
    mails.push_back(std::move(mail));
  }
  return mails;
}

}  // namespace qm::test
