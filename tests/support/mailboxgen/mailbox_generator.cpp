#include "tests/support/mailboxgen/mailbox_generator.h"

#include <algorithm>
#include <stdexcept>

#include "oestore/indexed_record.h"
#include "platform/bytes.h"

namespace qm::mailboxgen {

namespace {

constexpr std::uint32_t kHeaderLength = 0x24BC;
constexpr std::uint32_t kRecordsStart = 0x2AD4;
constexpr std::uint32_t kFirstBlock = 0xEAD4;
constexpr std::uint32_t kNodeLength = 0x27C;
constexpr std::uint8_t kGuid[16] = {0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                    0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};

std::size_t blocksOf(const GenMail& m) { return std::max<std::size_t>(1, (m.text.size() + 511) / 512); }

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  storeLe32(&b[at], v);
}

void putBytes(std::vector<std::uint8_t>& b, std::size_t at, const std::vector<std::uint8_t>& v) {
  if (b.size() < at + v.size()) b.resize(at + v.size());
  std::copy(v.begin(), v.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// The header, the records from 0x2AD4 and one tree node at `nodeAt` over them.
void writeIndex(std::vector<std::uint8_t>& b, std::uint8_t guidFirst, std::uint32_t trees,
                const std::vector<oe::RecordBuilder>& records, std::uint32_t nodeAt) {
  if (records.size() > 0x33) throw std::invalid_argument("one tree node holds at most 51 records");
  if (b.size() < kHeaderLength) b.resize(kHeaderLength);
  put32(b, 0, 0xFE12ADCF);
  std::copy(std::begin(kGuid), std::end(kGuid), b.begin() + 4);
  b[4] = guidFirst;
  put32(b, 0x14, 5);
  put32(b, 0x18, 5);
  put32(b, 0x80, trees);
  std::uint32_t at = kRecordsStart;
  std::vector<std::uint32_t> offsets;
  for (const auto& r : records) {
    putBytes(b, at, r.encode(at, 1));
    offsets.push_back(at);
    at += r.encodedLength();
  }
  if (at > nodeAt && !records.empty()) throw std::invalid_argument("too many records for the variable segment");
  put32(b, 0xC4, static_cast<std::uint32_t>(records.size()));
  if (records.empty()) return;
  put32(b, 0xE4, nodeAt);
  std::vector<std::uint8_t> node(kNodeLength, 0);
  storeLe32(&node[0], nodeAt);
  node[0x11] = static_cast<std::uint8_t>(records.size());
  for (std::size_t k = 0; k < offsets.size(); ++k) storeLe32(&node[0x18 + 12 * k], offsets[k]);
  putBytes(b, nodeAt, node);
}

}  // namespace

std::uint64_t fileTimeOf(std::int64_t unixSeconds) {
  return (static_cast<std::uint64_t>(unixSeconds) + 11644473600ULL) * 10000000ULL;
}

std::uint64_t blockOffset(const std::vector<GenMail>& mails, std::size_t mail, std::size_t block) {
  std::uint64_t at = kFirstBlock;
  for (std::size_t m = 0; m < mail; ++m) at += 0x210 * blocksOf(mails[m]);
  return at + 0x210 * block;
}

std::vector<std::uint8_t> messageStore(const std::vector<GenMail>& mails) {
  std::vector<std::uint8_t> b(kFirstBlock, 0);
  std::vector<oe::RecordBuilder> records;
  std::uint32_t id = 2;
  for (std::size_t m = 0; m < mails.size(); ++m) {
    const GenMail& mail = mails[m];
    const std::size_t blocks = blocksOf(mail);
    for (std::size_t k = 0; k < blocks; ++k) {
      const auto at = static_cast<std::uint32_t>(blockOffset(mails, m, k));
      const std::size_t used = std::min<std::size_t>(512, mail.text.size() - std::min(mail.text.size(), k * 512));
      put32(b, at, at);
      put32(b, at + 4, 512);
      put32(b, at + 8, static_cast<std::uint32_t>(std::max<std::size_t>(used, 1)));
      put32(b, at + 12, k + 1 < blocks ? at + 0x210 : 0);
      b.resize(at + 0x210, 0);
      std::copy_n(mail.text.begin() + static_cast<std::ptrdiff_t>(k * 512), used, b.begin() + at + 16);
    }
    if (!mail.listed) continue;
    oe::RecordBuilder r;
    r.number(0x00, id++);
    r.number(0x01, mail.flags);
    if (mail.date) r.number64(0x02, mail.date);
    r.number(0x04, static_cast<std::uint32_t>(blockOffset(mails, m, 0)));
    if (mail.received) r.number64(0x12, mail.received);
    records.push_back(std::move(r));
  }
  const auto nodeAt = static_cast<std::uint32_t>(b.size());
  writeIndex(b, kGuid[0], 2, records, nodeAt);
  if (!records.empty()) b.resize(nodeAt + kNodeLength);
  put32(b, 0x5C, id - 1);
  return b;
}

std::vector<GenFolder> standardFolders() {
  return {{0, 0xFFFFFFFF, "Outlook Express", "", 0, 0}, {1, 0, "Local Folders", "", 0, 0}};
}

std::vector<std::uint8_t> folderList(const std::vector<GenFolder>& folders) {
  std::vector<oe::RecordBuilder> records;
  for (const GenFolder& f : folders) {
    oe::RecordBuilder r;
    if (f.id) r.number(0x00, f.id);
    if (f.parent) r.number(0x01, f.parent);
    r.text(0x02, f.name);
    if (!f.storeFile.empty()) r.text(0x03, f.storeFile);
    if (f.mails) r.number(0x07, f.mails);
    if (f.special) r.number(0x09, f.special);
    records.push_back(std::move(r));
  }
  std::vector<std::uint8_t> b(kRecordsStart, 0);
  writeIndex(b, 0xC6, 3, records, 0xE5C4);
  return b;
}

}  // namespace qm::mailboxgen
