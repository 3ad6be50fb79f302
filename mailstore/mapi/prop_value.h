// MAPI property values as the store and file writers take them (MS-OXCDATA 2.11.1).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm::mapi {

enum PropType : std::uint16_t {
  kPtInt16 = 0x0002,
  kPtInt32 = 0x0003,
  kPtBool = 0x000B,
  kPtObject = 0x000D,
  kPtInt64 = 0x0014,
  kPtString = 0x001F,
  kPtTime = 0x0040,
  kPtGuid = 0x0048,
  kPtBinary = 0x0102,
  kPtMvInt32 = 0x1003,
  kPtMvString = 0x101F,
};

constexpr std::uint32_t makeTag(std::uint16_t id, PropType type) { return (std::uint32_t{id} << 16) | type; }
constexpr std::uint16_t tagId(std::uint32_t tag) { return static_cast<std::uint16_t>(tag >> 16); }
constexpr PropType tagType(std::uint32_t tag) { return static_cast<PropType>(tag & 0xFFFF); }

// Bytes of a fixed-size value; 0 for variable-size types.
std::size_t fixedSize(PropType type);

// One property: fixed values as their little-endian bytes, strings as UTF-16LE without a
// terminator, binaries as they are. An object value is its subnode NID and size (8 bytes).
struct PropValue {
  std::uint32_t tag = 0;
  std::vector<std::uint8_t> data;
};
using PropList = std::vector<PropValue>;

PropValue propInt32(std::uint32_t tag, std::uint32_t v);
PropValue propBool(std::uint32_t tag, bool v);
PropValue propInt64(std::uint32_t tag, std::uint64_t v);
PropValue propString(std::uint32_t tag, std::u16string_view s);
PropValue propAscii(std::uint32_t tag, std::string_view s);  // as a Unicode string
PropValue propBinary(std::uint32_t tag, std::span<const std::uint8_t> b);

const PropValue* findProp(const PropList& props, std::uint32_t tag);
// Replaces the property with the same tag or adds it.
void setProp(PropList& props, PropValue value);

// A compact form for holding many property lists in memory (table rows).
std::vector<std::uint8_t> packProps(const PropList& props);
PropList unpackProps(std::span<const std::uint8_t> packed);

}  // namespace qm::mapi
