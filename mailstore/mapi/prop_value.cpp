#include "mailstore/mapi/prop_value.h"

#include <algorithm>

#include "platform/bytes.h"

namespace qm::mapi {

std::size_t fixedSize(PropType type) {
  switch (type) {
    case kPtInt16: return 2;
    case kPtInt32: return 4;
    case kPtBool: return 1;
    case kPtInt64:
    case kPtTime: return 8;
    case kPtGuid: return 16;
    default: return 0;
  }
}

PropValue propInt32(std::uint32_t tag, std::uint32_t v) {
  PropValue p{tag, std::vector<std::uint8_t>(4)};
  storeLe32(p.data.data(), v);
  return p;
}
PropValue propBool(std::uint32_t tag, bool v) { return PropValue{tag, {static_cast<std::uint8_t>(v ? 1 : 0)}}; }
PropValue propInt64(std::uint32_t tag, std::uint64_t v) {
  PropValue p{tag, std::vector<std::uint8_t>(8)};
  storeLe64(p.data.data(), v);
  return p;
}
PropValue propString(std::uint32_t tag, std::u16string_view s) {
  PropValue p{tag, std::vector<std::uint8_t>(s.size() * 2)};
  for (std::size_t i = 0; i < s.size(); ++i) storeLe16(&p.data[2 * i], s[i]);
  return p;
}
PropValue propAscii(std::uint32_t tag, std::string_view s) {
  return propString(tag, std::u16string(s.begin(), s.end()));
}
PropValue propBinary(std::uint32_t tag, std::span<const std::uint8_t> b) {
  return PropValue{tag, std::vector<std::uint8_t>(b.begin(), b.end())};
}

const PropValue* findProp(const PropList& props, std::uint32_t tag) {
  for (const auto& p : props)
    if (p.tag == tag) return &p;
  return nullptr;
}

void setProp(PropList& props, PropValue value) {
  for (auto& p : props)
    if (p.tag == value.tag) {
      p = std::move(value);
      return;
    }
  props.push_back(std::move(value));
}

std::vector<std::uint8_t> packProps(const PropList& props) {
  ByteWriter w;
  for (const auto& p : props) {
    w.le32(p.tag);
    w.le32(static_cast<std::uint32_t>(p.data.size()));
    w.bytes(p.data);
  }
  return w.take();
}

PropList unpackProps(std::span<const std::uint8_t> packed) {
  PropList out;
  ByteCursor c(packed);
  while (c.ok() && c.remaining() >= 8) {
    PropValue p;
    p.tag = c.le32();
    const Bytes b = c.bytes(c.le32());
    p.data.assign(b.begin(), b.end());
    out.push_back(std::move(p));
  }
  return out;
}

}  // namespace qm::mapi
