// Indexed-info records: the objects the index trees point at (a mail's message info, a
// folder's folder info). A 12-byte header, one 4-byte index entry per field present and a
// data area. An entry's low seven bits number the field; with bit 7 set its upper 24 bits
// are the value itself, otherwise they give where the field's bytes start in the data area.
// Indirect fields lie back to back in index order; each ends where the next one begins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oestore/store_source.h"

namespace oe {

struct RecordField {
  std::uint8_t index = 0;
  bool direct = false;
  std::uint32_t value = 0;          // a direct field's value
  std::vector<std::uint8_t> bytes;  // an indirect field's bytes (a string with its closing zero)
};

class IndexedRecord {
 public:
  std::uint32_t self = 0;
  std::uint32_t bodyLength = 0;  // everything after the 12-byte header, padding included
  std::uint8_t changes = 0;
  std::vector<RecordField> fields;  // in index order

  const RecordField* find(std::uint8_t index) const;
  bool has(std::uint8_t index) const { return find(index) != nullptr; }
  // A number: a direct value, or the first four bytes of an indirect field; 0 when absent.
  std::uint32_t number(std::uint8_t index) const;
  // An 8-byte field (a FILETIME); none when absent or shorter.
  std::optional<std::uint64_t> number64(std::uint8_t index) const;
  // A string field up to its first zero byte; empty when absent.
  std::string text(std::uint8_t index) const;
  // The bytes the record takes in the file.
  std::uint32_t storedLength() const { return 12 + bodyLength; }
};

struct RecordRead {
  std::optional<IndexedRecord> record;  // none when the record cannot be read at all
  std::vector<std::string> problems;    // layout faults of a record that was read
};

// Reads the record at `offset`. Records larger than any real one are refused.
RecordRead readRecord(StoreSource& source, std::uint32_t offset);

// Builds a record's fields for writing.
class RecordBuilder {
 public:
  // A number: direct when it fits 24 bits, else as a 4-byte indirect field.
  void number(std::uint8_t index, std::uint32_t value);
  void number64(std::uint8_t index, std::uint64_t value);
  // A string with its closing zero (a zero inside `text` would end it early when read).
  void text(std::uint8_t index, std::string_view text);

  // The record's bytes at file offset `self`, padded to a multiple of 4. Fields must have
  // been added in rising index order.
  std::vector<std::uint8_t> encode(std::uint32_t self, std::uint8_t changes) const;
  // The length encode() gives.
  std::uint32_t encodedLength() const;

 private:
  std::vector<RecordField> fields_;
  std::uint32_t dataLength_ = 0;
};

}  // namespace oe
