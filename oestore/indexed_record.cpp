#include "oestore/indexed_record.h"

#include <algorithm>
#include <cstring>

#include "oestore/store_format.h"

namespace oe {

namespace {

// Far beyond any real record (the largest seen is a few hundred bytes): a subject or an
// address list is never megabytes long.
constexpr std::uint32_t kLargestRecord = 1u << 20;

std::uint32_t padded(std::uint32_t n) { return (n + 3u) & ~3u; }

}  // namespace

const RecordField* IndexedRecord::find(std::uint8_t index) const {
  for (const RecordField& f : fields)
    if (f.index == index) return &f;
  return nullptr;
}

std::uint32_t IndexedRecord::number(std::uint8_t index) const {
  const RecordField* f = find(index);
  if (!f) return 0;
  if (f->direct) return f->value;
  return f->bytes.size() >= 4 ? qm::loadLe32(f->bytes.data()) : 0;
}

std::optional<std::uint64_t> IndexedRecord::number64(std::uint8_t index) const {
  const RecordField* f = find(index);
  if (!f || f->direct || f->bytes.size() < 8) return std::nullopt;
  return qm::loadLe64(f->bytes.data());
}

std::string IndexedRecord::text(std::uint8_t index) const {
  const RecordField* f = find(index);
  if (!f || f->direct) return {};
  const auto end = std::find(f->bytes.begin(), f->bytes.end(), std::uint8_t{0});
  return std::string(f->bytes.begin(), end);
}

RecordRead readRecord(StoreSource& source, std::uint32_t offset) {
  RecordRead out;
  const std::vector<std::uint8_t> head = source.bytes(offset, kRecordHeaderLength);
  if (head.empty()) {
    out.problems.push_back("record outside the file");
    return out;
  }
  qm::ByteCursor c(head);
  IndexedRecord r;
  r.self = c.le32();
  r.bodyLength = c.le32();
  c.le16();
  const std::uint32_t count = c.u8();
  r.changes = c.u8();
  if (r.self != offset) out.problems.push_back("self field is not the record's offset");
  if (r.bodyLength > kLargestRecord || r.bodyLength < 4 * count) {
    out.problems.push_back("body length " + std::to_string(r.bodyLength) + " does not fit its " +
                           std::to_string(count) + " index entries");
    return out;
  }
  const std::vector<std::uint8_t> body = source.bytes(std::uint64_t{offset} + kRecordHeaderLength, r.bodyLength);
  if (body.size() != r.bodyLength) {
    out.problems.push_back("record runs past the end of the file");
    return out;
  }
  if (r.bodyLength % 4 != 0) out.problems.push_back("record length is not a multiple of 4");

  const std::uint32_t dataStart = 4 * count;
  const std::uint32_t dataLength = r.bodyLength - dataStart;
  int lastIndex = -1;
  std::vector<std::size_t> indirect;  // positions in r.fields, in data order
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t entry = qm::loadLe32(body.data() + 4 * i);
    RecordField f;
    f.index = static_cast<std::uint8_t>(entry & kIndexMask);
    f.direct = (entry & kDirectBit) != 0;
    f.value = entry >> 8;
    if (static_cast<int>(f.index) <= lastIndex) out.problems.push_back("index entries out of order");
    lastIndex = f.index;
    if (!f.direct) {
      const std::uint32_t from = indirect.empty() ? 0 : r.fields[indirect.back()].value;
      if (f.value > dataLength || f.value < from) {
        out.problems.push_back("field " + std::to_string(f.index) + " starts outside its place in the data area");
        continue;
      }
      if (indirect.empty() && f.value != 0) out.problems.push_back("first field does not start the data area");
      indirect.push_back(r.fields.size());
    }
    r.fields.push_back(std::move(f));
  }
  // Each indirect field ends where the next one begins; the last one at the end of the body.
  for (std::size_t k = 0; k < indirect.size(); ++k) {
    RecordField& f = r.fields[indirect[k]];
    const std::uint32_t end = k + 1 < indirect.size() ? r.fields[indirect[k + 1]].value : dataLength;
    f.bytes.assign(body.begin() + dataStart + f.value, body.begin() + dataStart + end);
  }
  for (const std::size_t k : indirect) r.fields[k].value = 0;
  out.record = std::move(r);
  return out;
}

void RecordBuilder::number(std::uint8_t index, std::uint32_t value) {
  RecordField f;
  f.index = index;
  if (value < kDirectLimit) {
    f.direct = true;
    f.value = value;
  } else {
    f.bytes.resize(4);
    qm::storeLe32(f.bytes.data(), value);
    dataLength_ += 4;
  }
  fields_.push_back(std::move(f));
}

void RecordBuilder::number64(std::uint8_t index, std::uint64_t value) {
  RecordField f;
  f.index = index;
  f.bytes.resize(8);
  qm::storeLe64(f.bytes.data(), value);
  dataLength_ += 8;
  fields_.push_back(std::move(f));
}

void RecordBuilder::text(std::uint8_t index, std::string_view text) {
  RecordField f;
  f.index = index;
  f.bytes.assign(text.begin(), text.end());
  f.bytes.push_back(0);
  dataLength_ += static_cast<std::uint32_t>(f.bytes.size());
  fields_.push_back(std::move(f));
}

std::uint32_t RecordBuilder::encodedLength() const {
  return kRecordHeaderLength + padded(4 * static_cast<std::uint32_t>(fields_.size()) + dataLength_);
}

std::vector<std::uint8_t> RecordBuilder::encode(std::uint32_t self, std::uint8_t changes) const {
  std::vector<std::uint8_t> out(encodedLength(), 0);
  const auto count = static_cast<std::uint32_t>(fields_.size());
  qm::storeLe32(out.data() + kRecordSelf, self);
  qm::storeLe32(out.data() + kRecordBodyLength, static_cast<std::uint32_t>(out.size()) - kRecordHeaderLength);
  out[kRecordIndexCount] = static_cast<std::uint8_t>(count);
  out[kRecordChanges] = changes;
  std::uint8_t* entries = out.data() + kRecordHeaderLength;
  std::uint8_t* data = entries + 4 * count;
  std::uint32_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const RecordField& f = fields_[i];
    if (f.direct) {
      qm::storeLe32(entries + 4 * i, (f.value << 8) | kDirectBit | f.index);
      continue;
    }
    qm::storeLe32(entries + 4 * i, (at << 8) | f.index);
    std::memcpy(data + at, f.bytes.data(), f.bytes.size());
    at += static_cast<std::uint32_t>(f.bytes.size());
  }
  return out;
}

}  // namespace oe
