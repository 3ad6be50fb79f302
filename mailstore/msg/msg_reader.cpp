#include "mailstore/msg/msg_reader.h"

#include <set>

#include "mailstore/cfb/cfb_reader.h"
#include "mailstore/mapi/prop_value.h"
#include "mailstore/msg/msg_format.h"

namespace qm::msg {
namespace {

constexpr int kMaxDepth = 64;

enum class Level { TopLevel, Embedded, Recipient, Attachment };

std::size_t headerSize(Level level) {
  switch (level) {
    case Level::TopLevel: return kTopLevelHeaderSize;
    case Level::Embedded: return kEmbeddedHeaderSize;
    case Level::Recipient: return kRecipientHeaderSize;
    case Level::Attachment: return kAttachmentHeaderSize;
  }
  return 0;
}

std::string ascii(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::uint32_t parseHex(std::u16string_view s, bool& ok) {
  std::uint32_t v = 0;
  ok = s.size() == 8;
  for (char16_t c : s) {
    v <<= 4;
    if (c >= u'0' && c <= u'9') v |= c - u'0';
    else if (c >= u'A' && c <= u'F') v |= c - u'A' + 10;
    else if (c >= u'a' && c <= u'f') v |= c - u'a' + 10;
    else ok = false;
  }
  return v;
}

class Checker {
 public:
  Checker(const cfb::CompoundFile& file, std::vector<std::string>& problems) : file_(file), problems_(problems) {}

  void object(std::uint32_t storage, Level level, const std::string& where, ReadObject& out, int depth) {
    if (depth > kMaxDepth) {
      problems_.push_back(where + ": embedded too deep");
      return;
    }
    // A damaged directory can list a storage below itself: each is read once.
    if (!visited_.insert(storage).second) {
      problems_.push_back(where + ": storage reached twice");
      return;
    }
    const auto propsEntry = file_.find(storage, kPropertiesStream);
    if (!propsEntry) {
      problems_.push_back(where + ": no property stream");
      return;
    }
    if (!readStreams_.insert(*propsEntry).second) {
      problems_.push_back(where + ": property stream shared with another storage");
      return;
    }
    const std::vector<std::uint8_t> stream = file_.stream(*propsEntry);
    const std::size_t head = headerSize(level);
    if (stream.size() < head || (stream.size() - head) % kEntrySize != 0) {
      problems_.push_back(where + ": property stream of " + std::to_string(stream.size()) + " bytes");
      return;
    }
    // Substreams named after the entries.
    std::map<std::uint32_t, std::uint32_t> substreams;
    std::uint32_t recipients = 0, attachments = 0;
    for (std::uint32_t child : file_.children(storage)) {
      const auto& e = file_.entries()[child];
      const std::u16string& name = e.name;
      const std::u16string sub = kSubstoragePrefix;
      if (name.rfind(sub, 0) == 0) {
        bool ok = false;
        const std::uint32_t tag = parseHex(std::u16string_view(name).substr(sub.size()), ok);
        if (!ok) problems_.push_back(where + ": stream name " + ascii(name));
        else substreams[tag] = child;
      } else if (name.rfind(kRecipientStoragePrefix, 0) == 0 && e.type == cfb::ObjectType::Storage) {
        out.recipients.emplace_back();
        object(child, Level::Recipient, where + "/" + ascii(name), out.recipients.back(), depth);
        ++recipients;
      } else if (name.rfind(kAttachmentStoragePrefix, 0) == 0 && e.type == cfb::ObjectType::Storage) {
        out.attachments.emplace_back();
        object(child, Level::Attachment, where + "/" + ascii(name), out.attachments.back(), depth);
        ++attachments;
      }
    }
    if (level == Level::TopLevel || level == Level::Embedded) {
      if (loadLe32(&stream[kRecipientCountAt]) != recipients)
        problems_.push_back(where + ": recipient count differs from the recipient storages");
      if (loadLe32(&stream[kAttachmentCountAt]) != attachments)
        problems_.push_back(where + ": attachment count differs from the attachment storages");
    }
    for (std::size_t at = head; at < stream.size(); at += kEntrySize) entry(&stream[at], substreams, level, where, out, depth);
  }

 private:
  void entry(const std::uint8_t* e, const std::map<std::uint32_t, std::uint32_t>& substreams, Level level,
             const std::string& where, ReadObject& out, int depth) {
    const std::uint32_t tag = loadLe32(e);
    const auto type = mapi::tagType(tag);
    const std::string what = where + ": property " + std::to_string(tag);
    if (mapi::fixedSize(type) != 0 || type == 0x0005 || type == 0x0006 || type == 0x0007 || type == 0x000A) {
      out.props[tag] = std::vector<std::uint8_t>(e + 8, e + 16);
      return;
    }
    const auto sub = substreams.find(tag);
    if (type == mapi::kPtObject) {
      if (level != Level::Attachment || sub == substreams.end() ||
          file_.entries()[sub->second].type != cfb::ObjectType::Storage) {
        problems_.push_back(what + ": object without its storage");
        return;
      }
      out.embedded.emplace_back();
      object(sub->second, Level::Embedded, where + "/embedded", out.embedded.back(), depth + 1);
      return;
    }
    if (sub == substreams.end()) {
      problems_.push_back(what + ": no stream for the value");
      return;
    }
    if (!readStreams_.insert(sub->second).second) {
      problems_.push_back(what + ": stream read twice");
      return;
    }
    const auto& s = file_.entries()[sub->second];
    const std::uint32_t size = loadLe32(e + 8);
    const std::uint64_t expected = s.size + (type == mapi::kPtString ? 2 : type == 0x001E ? 1 : 0);
    // Multi-valued entries count their values their own way.
    if ((type & 0x1000) == 0 && size != expected) problems_.push_back(what + ": size differs from its stream");
    out.props[tag] = file_.stream(sub->second);
  }

  const cfb::CompoundFile& file_;
  std::vector<std::string>& problems_;
  std::set<std::uint32_t> visited_, readStreams_;  // each storage and stream read once
};

}  // namespace

bool checkMessageFile(Bytes file, std::vector<std::string>& problems, ReadObject* read, bool balancedTrees) {
  const std::size_t before = problems.size();
  const auto cf = cfb::CompoundFile::read(file, problems, balancedTrees);
  if (!cf) return false;
  const auto named = cf->find(0, kNamedPropertiesStorage);
  if (!named) {
    problems.push_back("no named-property storage");
  } else {
    for (const char16_t* s : {u"__substg1.0_00020102", u"__substg1.0_00030102", u"__substg1.0_00040102"})
      if (!cf->find(*named, s)) problems.push_back("named-property storage lacks " + ascii(s));
  }
  ReadObject message;
  Checker(*cf, problems).object(0, Level::TopLevel, "message", message, 0);
  if (read) *read = std::move(message);
  return problems.size() == before;
}

}  // namespace qm::msg
