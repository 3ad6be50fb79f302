// Property tags the store and file writers use (MS-OXPROPS names, PidTag prefix left out).
#pragma once

#include "mailstore/mapi/prop_value.h"

namespace qm::mapi::tags {

inline constexpr std::uint32_t Importance = makeTag(0x0017, kPtInt32);
inline constexpr std::uint32_t MessageClass = makeTag(0x001A, kPtString);
inline constexpr std::uint32_t Priority = makeTag(0x0026, kPtInt32);
inline constexpr std::uint32_t FlagStatus = makeTag(0x1090, kPtInt32);
inline constexpr std::uint32_t FollowupIcon = makeTag(0x1095, kPtInt32);
inline constexpr std::uint32_t Sensitivity = makeTag(0x0036, kPtInt32);
inline constexpr std::uint32_t Subject = makeTag(0x0037, kPtString);
inline constexpr std::uint32_t SubjectPrefix = makeTag(0x003D, kPtString);
inline constexpr std::uint32_t ClientSubmitTime = makeTag(0x0039, kPtTime);
inline constexpr std::uint32_t SentRepresentingSearchKey = makeTag(0x003B, kPtBinary);
inline constexpr std::uint32_t SentRepresentingName = makeTag(0x0042, kPtString);
inline constexpr std::uint32_t SentRepresentingAddressType = makeTag(0x0064, kPtString);
inline constexpr std::uint32_t SentRepresentingEmailAddress = makeTag(0x0065, kPtString);
inline constexpr std::uint32_t ConversationTopic = makeTag(0x0070, kPtString);
inline constexpr std::uint32_t TransportMessageHeaders = makeTag(0x007D, kPtString);
inline constexpr std::uint32_t InReplyToId = makeTag(0x1042, kPtString);
inline constexpr std::uint32_t InternetReferences = makeTag(0x1039, kPtString);
inline constexpr std::uint32_t RecipientType = makeTag(0x0C15, kPtInt32);
inline constexpr std::uint32_t SenderName = makeTag(0x0C1A, kPtString);
inline constexpr std::uint32_t SenderSearchKey = makeTag(0x0C1D, kPtBinary);
inline constexpr std::uint32_t SenderAddressType = makeTag(0x0C1E, kPtString);
inline constexpr std::uint32_t SenderEmailAddress = makeTag(0x0C1F, kPtString);
inline constexpr std::uint32_t DisplayBcc = makeTag(0x0E02, kPtString);
inline constexpr std::uint32_t DisplayCc = makeTag(0x0E03, kPtString);
inline constexpr std::uint32_t DisplayTo = makeTag(0x0E04, kPtString);
inline constexpr std::uint32_t MessageDeliveryTime = makeTag(0x0E06, kPtTime);
inline constexpr std::uint32_t MessageFlags = makeTag(0x0E07, kPtInt32);
inline constexpr std::uint32_t MessageSize = makeTag(0x0E08, kPtInt32);
inline constexpr std::uint32_t Responsibility = makeTag(0x0E0F, kPtBool);
inline constexpr std::uint32_t MessageStatus = makeTag(0x0E17, kPtInt32);
inline constexpr std::uint32_t AttachNumber = makeTag(0x0E21, kPtInt32);
inline constexpr std::uint32_t AttachSize = makeTag(0x0E20, kPtInt32);
inline constexpr std::uint32_t HasAttachments = makeTag(0x0E1B, kPtBool);
inline constexpr std::uint32_t NormalizedSubject = makeTag(0x0E1D, kPtString);
inline constexpr std::uint32_t RecordKey = makeTag(0x0FF9, kPtBinary);
inline constexpr std::uint32_t ObjectType = makeTag(0x0FFE, kPtInt32);
inline constexpr std::uint32_t EntryId = makeTag(0x0FFF, kPtBinary);
inline constexpr std::uint32_t Body = makeTag(0x1000, kPtString);
inline constexpr std::uint32_t Html = makeTag(0x1013, kPtBinary);
inline constexpr std::uint32_t InternetMessageId = makeTag(0x1035, kPtString);
inline constexpr std::uint32_t DisplayName = makeTag(0x3001, kPtString);
inline constexpr std::uint32_t AddressType = makeTag(0x3002, kPtString);
inline constexpr std::uint32_t EmailAddress = makeTag(0x3003, kPtString);
inline constexpr std::uint32_t Comment = makeTag(0x3004, kPtString);
inline constexpr std::uint32_t CreationTime = makeTag(0x3007, kPtTime);
inline constexpr std::uint32_t LastModificationTime = makeTag(0x3008, kPtTime);
inline constexpr std::uint32_t SearchKey = makeTag(0x300B, kPtBinary);
inline constexpr std::uint32_t StoreRecordKey = makeTag(0x0FFA, kPtBinary);
inline constexpr std::uint32_t StoreSupportMask = makeTag(0x340D, kPtInt32);
inline constexpr std::uint32_t ContentCount = makeTag(0x3602, kPtInt32);
inline constexpr std::uint32_t ContentUnreadCount = makeTag(0x3603, kPtInt32);
inline constexpr std::uint32_t Subfolders = makeTag(0x360A, kPtBool);
inline constexpr std::uint32_t ContainerClass = makeTag(0x3613, kPtString);
inline constexpr std::uint32_t AttachDataBinary = makeTag(0x3701, kPtBinary);
inline constexpr std::uint32_t AttachDataObject = makeTag(0x3701, kPtObject);
inline constexpr std::uint32_t AttachExtension = makeTag(0x3703, kPtString);
inline constexpr std::uint32_t AttachFilename = makeTag(0x3704, kPtString);
inline constexpr std::uint32_t AttachMethod = makeTag(0x3705, kPtInt32);
inline constexpr std::uint32_t AttachLongFilename = makeTag(0x3707, kPtString);
inline constexpr std::uint32_t RenderingPosition = makeTag(0x370B, kPtInt32);
inline constexpr std::uint32_t AttachMimeTag = makeTag(0x370E, kPtString);
inline constexpr std::uint32_t AttachContentId = makeTag(0x3712, kPtString);
inline constexpr std::uint32_t AttachContentLocation = makeTag(0x3713, kPtString);
inline constexpr std::uint32_t AttachFlags = makeTag(0x3714, kPtInt32);
inline constexpr std::uint32_t RowId = makeTag(0x3000, kPtInt32);
inline constexpr std::uint32_t DisplayType = makeTag(0x3900, kPtInt32);
inline constexpr std::uint32_t SmtpAddress = makeTag(0x39FE, kPtString);
inline constexpr std::uint32_t SendRichInfo = makeTag(0x3A40, kPtBool);
inline constexpr std::uint32_t InternetCodepage = makeTag(0x3FDE, kPtInt32);
inline constexpr std::uint32_t AttachmentHidden = makeTag(0x7FFE, kPtBool);
inline constexpr std::uint32_t AttachmentContactPhoto = makeTag(0x7FFF, kPtBool);
inline constexpr std::uint32_t ReceivedByName = makeTag(0x0040, kPtString);
inline constexpr std::uint32_t SentRepresentingEntryId = makeTag(0x0041, kPtBinary);
inline constexpr std::uint32_t SenderEntryId = makeTag(0x0C19, kPtBinary);

}  // namespace qm::mapi::tags
