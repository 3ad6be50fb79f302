// The Outlook message file layout (MS-OXMSG 2.2, 2.4): storage and stream names, the
// property stream headers of each level and the 16-byte property entries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mailstore/cfb/cfb_tree.h"

namespace qm::msg {

inline constexpr const char16_t* kPropertiesStream = u"__properties_version1.0";
inline constexpr const char16_t* kNamedPropertiesStorage = u"__nameid_version1.0";
inline constexpr const char16_t* kRecipientStoragePrefix = u"__recip_version1.0_#";
inline constexpr const char16_t* kAttachmentStoragePrefix = u"__attach_version1.0_#";
inline constexpr const char16_t* kSubstoragePrefix = u"__substg1.0_";
// The named-property mapping's three streams (2.2.3.1).
inline constexpr std::uint32_t kGuidStreamTag = 0x00020102;
inline constexpr std::uint32_t kEntryStreamTag = 0x00030102;
inline constexpr std::uint32_t kStringStreamTag = 0x00040102;

// Property stream headers (2.4.1): reserved bytes, then for messages the next recipient
// and attachment ids and their counts, then (top level only) reserved bytes again.
inline constexpr std::size_t kTopLevelHeaderSize = 32;
inline constexpr std::size_t kEmbeddedHeaderSize = 24;
inline constexpr std::size_t kRecipientHeaderSize = 8;
inline constexpr std::size_t kAttachmentHeaderSize = 8;
inline constexpr std::size_t kNextRecipientIdAt = 8;
inline constexpr std::size_t kNextAttachmentIdAt = 12;
inline constexpr std::size_t kRecipientCountAt = 16;
inline constexpr std::size_t kAttachmentCountAt = 20;

// A property entry (2.4.2): tag, flags, then the value or, for variable sizes, the size.
inline constexpr std::size_t kEntrySize = 16;
inline constexpr std::uint32_t PROPATTR_MANDATORY = 0x1;
inline constexpr std::uint32_t PROPATTR_READABLE = 0x2;
inline constexpr std::uint32_t PROPATTR_WRITABLE = 0x4;

// The class of a message file's root storage (an embedded message's storage has none).
inline constexpr cfb::Clsid kMessageClsid = {0x0B, 0x0D, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// STORE_UNICODE_OK in PidTagStoreSupportMask: the file's strings are Unicode.
inline constexpr std::uint32_t STORE_UNICODE_OK = 0x00040000;

}  // namespace qm::msg
