// Walks a message's MIME structure and fills the message model: which parts make the text
// and HTML bodies, which become attachments, which are embedded messages.
#pragma once

#include <cstddef>
#include <string_view>

#include "mailstore/message.h"
#include "mailstore/mime/header_text.h"
#include "mailstore/mime/mime_entity.h"

namespace qm::mail::mime {

// Shared by a message and the messages embedded in it.
struct ReadBudget {
  std::size_t partsLeft;
};

class MessageBuilder {
 public:
  // `depth`: how deep the message lies inside others; `keepEmbeddedSource`: whether the
  // embedded messages among its attachments keep their bytes.
  MessageBuilder(Message& message, ReadBudget& budget, int depth, bool keepEmbeddedSource);

  void read(std::string_view bytes);

 private:
  struct Place {
    int depth = 0;
    bool isMessageRoot = false;     // the message's own entity, not a body part
    bool forceAttachment = false;   // a part of multipart/related other than its root
    bool inRelated = false;
  };

  void readEntity(const MimeEntity& entity, const Place& place);
  void readMultipart(const MimeEntity& entity, const Place& place);
  void readParts(const std::vector<std::string_view>& parts, bool inDigest, const Place& place);
  void readAlternative(const std::vector<std::string_view>& parts, const Place& place);
  void readRelated(const MimeEntity& entity, const std::vector<std::string_view>& parts,
                   const Place& place);
  void readLeaf(const MimeEntity& entity, const Place& place);
  void readEmbedded(const MimeEntity& entity, const Place& place);
  bool isBodyCandidate(const MimeEntity& entity, const Place& place) const;
  void setTextBody(const MimeEntity& entity);
  void setHtmlBody(const MimeEntity& entity);
  void attach(const MimeEntity& entity, const Place& place);

  Message& message_;
  ReadBudget& budget_;
  int depth_;
  bool keepEmbeddedSource_;
  CharsetLog log_;
  bool bodyTaken_ = false;
  int alternativeDepth_ = 0;
};

}  // namespace qm::mail::mime
