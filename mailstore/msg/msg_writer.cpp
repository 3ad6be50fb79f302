#include "mailstore/msg/msg_writer.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "mailstore/cfb/cfb_writer.h"
#include "mailstore/mapi/mail_props.h"
#include "mailstore/mapi/tags.h"
#include "mailstore/mapi/text.h"
#include "mailstore/msg/msg_format.h"
#include "platform/files.h"
#include "platform/safe_files.h"

namespace qm::msg {
namespace {

using mapi::PropList;
using mapi::PropValue;
namespace tags = mapi::tags;

constexpr int kMaxDepth = 32;

std::u16string hex8(std::uint32_t v) {
  static const char16_t* digits = u"0123456789ABCDEF";
  std::u16string s(8, u'0');
  for (int i = 7; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = digits[v & 15];
  return s;
}

std::u16string substreamName(std::uint32_t tag) { return kSubstoragePrefix + hex8(tag); }

// A property stream: the header, then one entry per property; variable-size values go to
// their own streams beside it.
class PropertyStream {
 public:
  PropertyStream(cfb::CfbTree& tree, std::size_t storage, std::size_t headerSize)
      : tree_(tree), storage_(storage) {
    out_.zeros(headerSize);
  }

  void setHeader(std::size_t at, std::uint32_t v) { out_.patchLe32(at, v); }

  void add(PropValue p) {
    const auto type = mapi::tagType(p.tag);
    out_.le32(p.tag);
    out_.le32(PROPATTR_READABLE | PROPATTR_WRITABLE);
    if (mapi::fixedSize(type) != 0) {
      std::uint8_t value[8] = {};
      std::copy(p.data.begin(), p.data.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(p.data.size(), 8)), value);
      out_.bytes(value);
      return;
    }
    // Strings count their terminator in the size, not in the stream.
    const std::size_t terminator = type == mapi::kPtString ? 2 : 0;
    out_.le32(sizeField(p.data.size() + terminator));
    out_.le32(0);
    tree_.addStream(storage_, substreamName(p.tag), std::move(p.data));
  }

  // A binary value held elsewhere, streamed without a copy.
  void addBinaryView(std::uint32_t tag, Bytes data) {
    out_.le32(tag);
    out_.le32(PROPATTR_READABLE | PROPATTR_WRITABLE);
    out_.le32(sizeField(data.size()));
    out_.le32(0);
    tree_.addStreamView(storage_, substreamName(tag), data);
  }

  // The entry of an embedded message, whose storage the caller fills.
  void addObject(std::uint32_t tag) {
    out_.le32(tag);
    out_.le32(PROPATTR_READABLE | PROPATTR_WRITABLE);
    out_.le32(0xFFFFFFFF);  // as Outlook writes it: no size for an object
    out_.le32(1);
  }

  void finish() { tree_.addStream(storage_, kPropertiesStream, out_.take()); }

 private:
  static std::uint32_t sizeField(std::size_t n) {
    if (n > 0xFFFFFFFFu - 2) throw std::length_error("a value is too large for a message file");
    return static_cast<std::uint32_t>(n);
  }

  cfb::CfbTree& tree_;
  std::size_t storage_;
  ByteWriter out_;
};

class MessageLayout {
 public:
  MessageLayout(cfb::CfbTree& tree, std::uint64_t now) : tree_(tree), now_(now) {}

  void message(std::size_t storage, const mail::Message& m, bool received, int depth) {
    const bool topLevel = depth == 0;
    PropertyStream props(tree_, storage, topLevel ? kTopLevelHeaderSize : kEmbeddedHeaderSize);
    std::size_t attachments = 0;
    for (std::size_t i = 0; i < m.attachments.size(); ++i) {
      const mail::Attachment& a = m.attachments[i];
      if (a.embedded && depth >= kMaxDepth) continue;
      attachment(tree_.addStorage(storage, kAttachmentStoragePrefix + hex8(static_cast<std::uint32_t>(attachments))), a,
                 static_cast<std::uint32_t>(attachments), depth);
      ++attachments;
    }
    for (std::size_t i = 0; i < m.recipients.size(); ++i)
      recipient(tree_.addStorage(storage, kRecipientStoragePrefix + hex8(static_cast<std::uint32_t>(i))), m.recipients[i],
                static_cast<std::uint32_t>(i));
    props.setHeader(kNextRecipientIdAt, static_cast<std::uint32_t>(m.recipients.size()));
    props.setHeader(kNextAttachmentIdAt, static_cast<std::uint32_t>(attachments));
    props.setHeader(kRecipientCountAt, static_cast<std::uint32_t>(m.recipients.size()));
    props.setHeader(kAttachmentCountAt, static_cast<std::uint32_t>(attachments));

    PropList list = mapi::messageProperties(m, now_);
    list.push_back(mapi::propInt32(tags::MessageFlags, mapi::messageFlags(received, attachments > 0)));
    list.push_back(mapi::propBool(tags::HasAttachments, attachments > 0));
    list.push_back(mapi::propInt32(tags::StoreSupportMask, STORE_UNICODE_OK));
    for (PropValue& p : list) props.add(std::move(p));
    props.finish();
  }

 private:
  void recipient(std::size_t storage, const mail::Recipient& r, std::uint32_t index) {
    PropertyStream props(tree_, storage, kRecipientHeaderSize);
    for (PropValue& p : mapi::recipientProperties(r)) props.add(std::move(p));
    props.add(mapi::propInt32(tags::RowId, index));
    props.finish();
  }

  void attachment(std::size_t storage, const mail::Attachment& a, std::uint32_t index, int depth) {
    PropertyStream props(tree_, storage, kAttachmentHeaderSize);
    PropList list = mapi::attachmentProperties(a, now_);
    list.push_back(mapi::propInt32(tags::AttachNumber, index));
    std::uint64_t held = a.data.size();
    if (a.embedded) {
      const std::size_t inner = tree_.addStorage(storage, substreamName(tags::AttachDataObject));
      message(inner, *a.embedded, true, depth + 1);
      props.addObject(tags::AttachDataObject);
      held = a.embedded->sourceSize;
    } else {
      props.addBinaryView(tags::AttachDataBinary, a.data);
    }
    list.push_back(mapi::propInt32(tags::AttachSize, mapi::attachmentSize(list, held)));
    for (PropValue& p : list) props.add(std::move(p));
    props.finish();
  }

  cfb::CfbTree& tree_;
  std::uint64_t now_;
};

std::uint64_t fileTimeNow() {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return mapi::toFileTime(seconds);
}

}  // namespace

void buildMessageFile(cfb::CfbTree& tree, const mail::Message& message, bool received, std::uint64_t now) {
  tree.setClsid(cfb::CfbTree::kRoot, kMessageClsid);
  // The named-property mapping, present though this writer names no properties.
  const std::size_t named = tree.addStorage(cfb::CfbTree::kRoot, kNamedPropertiesStorage);
  for (std::uint32_t tag : {kGuidStreamTag, kEntryStreamTag, kStringStreamTag})
    tree.addStream(named, substreamName(tag), {});
  MessageLayout(tree, now).message(cfb::CfbTree::kRoot, message, received, 0);
}

void writeMessageFile(const mail::Message& message, bool received, const std::string& utf8Path) {
  cfb::CfbTree tree;
  buildMessageFile(tree, message, received, fileTimeNow());
  // Complete or nothing under its name; an earlier file of the name stays until then.
  platform::OutputFile file;
  if (!file.open(utf8Path)) throw std::runtime_error("cannot create " + utf8Path);
  std::setvbuf(file.stream(), nullptr, _IONBF, 0);  // the writer hands over a megabyte at a time
  cfb::writeCompoundFile(tree, [&](Bytes bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size())
      throw std::runtime_error("cannot write " + utf8Path);
  });
  if (!file.commit(platform::OutputFile::Replace::Existing)) throw std::runtime_error("cannot write " + utf8Path);
}

void MsgFileWriter::write(const mail::Message& message, bool received, const std::string& utf8Path) const {
  writeMessageFile(message, received, utf8Path);
}

}  // namespace qm::msg
