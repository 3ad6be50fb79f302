#include "mailstore/pst/messaging/name_to_id_map.h"

#include <map>
#include <vector>

#include "platform/bytes.h"

namespace qm::pst {
namespace {

constexpr std::uint32_t kBucketCount = 251;
// PSETID_Common {00062008-0000-0000-C000-000000000046} (MS-OXPROPS 1.3.2).
constexpr std::uint8_t kPsetidCommon[16] = {0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// PidLidReminderSet, PidLidSideEffects, PidLidSmartNoAttach, PidLidCommonStart, PidLidCommonEnd.
constexpr std::uint32_t kCommonLids[] = {0x8503, 0x8510, 0x8514, 0x8516, 0x8517};

}  // namespace

PropList newNameToIdMap() {
  ByteWriter entries;
  std::map<std::uint32_t, ByteWriter> buckets;
  std::uint16_t index = 0;
  for (std::uint32_t lid : kCommonLids) {
    // NAMEID: the LID, then wGuid (3: the first GUID of the stream) shifted over the N bit.
    const std::uint16_t guidField = static_cast<std::uint16_t>(3 << 1);
    for (ByteWriter* w : {&entries, &buckets[(lid ^ guidField) % kBucketCount]}) {
      w->le32(lid);
      w->le16(guidField);
      w->le16(index);
    }
    ++index;
  }
  PropList props = {propInt32(makeTag(0x0001, kPtInt32), kBucketCount), propBinary(makeTag(0x0002, kPtBinary), kPsetidCommon),
                    propBinary(makeTag(0x0003, kPtBinary), entries.data()),
                    // The string stream holds one empty name: some readers cannot take an empty stream.
                    propBinary(makeTag(0x0004, kPtBinary), std::vector<std::uint8_t>(4, 0))};
  for (const auto& [bucket, w] : buckets)
    props.push_back(propBinary(makeTag(static_cast<std::uint16_t>(0x1000 + bucket), kPtBinary), w.data()));
  return props;
}

}  // namespace qm::pst
