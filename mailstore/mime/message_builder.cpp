#include "mailstore/mime/message_builder.h"

#include <algorithm>
#include <memory>

#include "mailstore/mime/message_fields.h"
#include "mailstore/mime/mime_reader.h"
#include "mailstore/mime/multipart.h"
#include "mailstore/mime/uuencode.h"

namespace qm::mail::mime {

MessageBuilder::MessageBuilder(Message& message, ReadBudget& budget, int depth,
                               bool keepEmbeddedSource)
    : message_(message),
      budget_(budget),
      depth_(depth),
      keepEmbeddedSource_(keepEmbeddedSource),
      log_(message.charsets) {}

void MessageBuilder::read(std::string_view bytes) {
  message_.sourceSize = bytes.size();
  const MimeEntity entity = MimeEntity::parse(bytes, true, false);
  readMessageFields(entity.header, message_, log_);
  Place place;
  place.depth = depth_;
  place.isMessageRoot = true;
  readEntity(entity, place);
}

void MessageBuilder::readEntity(const MimeEntity& entity, const Place& place) {
  const bool canNest = place.depth < MimeLimits::kMaxDepth;
  if (entity.type.type == "multipart" && canNest && budget_.partsLeft > 0) {
    readMultipart(entity, place);
  } else if (entity.type.is("message", "rfc822") && canNest) {
    readEmbedded(entity, place);
  } else {
    readLeaf(entity, place);
  }
}

void MessageBuilder::readMultipart(const MimeEntity& entity, const Place& place) {
  std::string boundary = entity.type.value.paramValue("boundary");
  while (!boundary.empty() && isBlank(boundary.back())) boundary.pop_back();
  std::vector<std::string_view> parts = splitMultipart(entity.body(), boundary, budget_.partsLeft);
  if (parts.empty()) {
    const std::string guessed = guessBoundary(entity.body());
    if (!guessed.empty()) parts = splitMultipart(entity.body(), guessed, budget_.partsLeft);
  }
  if (parts.empty()) {
    // Nothing to split: the body is read as the plain text it most likely is.
    MimeEntity text = entity;
    text.type.type = "text";
    text.type.subtype = "plain";
    readLeaf(text, place);
    return;
  }
  budget_.partsLeft -= std::min(budget_.partsLeft, parts.size());
  Place inner = place;
  inner.depth = place.depth + 1;
  inner.isMessageRoot = false;
  const std::string& subtype = entity.type.subtype;
  if (subtype == "alternative" && !bodyTaken_ && !place.forceAttachment) {
    readAlternative(parts, inner);
  } else if (subtype == "related" && !bodyTaken_ && !place.forceAttachment) {
    readRelated(entity, parts, inner);
  } else {
    readParts(parts, subtype == "digest", inner);
  }
}

void MessageBuilder::readParts(const std::vector<std::string_view>& parts, bool inDigest,
                               const Place& place) {
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    readEntity(MimeEntity::parse(part, false, inDigest), place);
  }
}

// The first plain and the first HTML alternative are the bodies; the others (a calendar
// request, enriched text) are kept as attachments.
void MessageBuilder::readAlternative(const std::vector<std::string_view>& parts,
                                     const Place& place) {
  ++alternativeDepth_;
  readParts(parts, false, place);
  --alternativeDepth_;
  if (alternativeDepth_ == 0 && (message_.textBody || message_.htmlBody)) bodyTaken_ = true;
}

// RFC 2387: the root (the part named by "start", else the first) is the body; the other
// parts are what it refers to.
void MessageBuilder::readRelated(const MimeEntity& entity, const std::vector<std::string_view>& parts,
                                 const Place& place) {
  std::vector<MimeEntity> entities;
  entities.reserve(parts.size());
  for (std::string_view part : parts) entities.push_back(MimeEntity::parse(part, false, false));
  std::size_t root = 0;
  const std::string start = entity.type.value.paramValue("start");
  if (!start.empty()) {
    for (std::size_t i = 0; i < entities.size(); ++i) {
      if (entities[i].header.value("Content-ID") == start) root = i;
    }
  }
  readEntity(entities[root], place);
  if (alternativeDepth_ == 0 && (message_.textBody || message_.htmlBody)) bodyTaken_ = true;
  Place others = place;
  others.forceAttachment = true;
  others.inRelated = true;
  for (std::size_t i = 0; i < entities.size(); ++i) {
    if (i != root && !parts[i].empty()) readEntity(entities[i], others);
  }
}

// Text is a body unless it is marked as an attachment. A named text part with no
// disposition inside a multipart is an attached file, as the clients of the time sent them.
bool MessageBuilder::isBodyCandidate(const MimeEntity& entity, const Place& place) const {
  if (place.forceAttachment || entity.type.type != "text") return false;
  if (entity.type.subtype != "plain" && entity.type.subtype != "html") return false;
  if (entity.isAttachmentDisposition()) return false;
  if (!place.isMessageRoot && entity.disposition.token.empty() && entity.hasFileName()) return false;
  return true;
}

void MessageBuilder::readLeaf(const MimeEntity& entity, const Place& place) {
  if (isBodyCandidate(entity, place)) {
    const bool plain = entity.type.subtype == "plain";
    if (alternativeDepth_ > 0) {
      if (plain && !message_.textBody) return setTextBody(entity);
      if (!plain && !message_.htmlBody) return setHtmlBody(entity);
    } else if (!bodyTaken_) {
      bodyTaken_ = true;
      return plain ? setTextBody(entity) : setHtmlBody(entity);
    }
  }
  attach(entity, place);
}

void MessageBuilder::setTextBody(const MimeEntity& entity) {
  const std::string charset = entity.type.value.paramValue("charset");
  log_.note(charset);
  DecodedBody body(entity);
  std::string withoutFiles;
  std::vector<UuFile> files;
  if (extractUuencoded(body.view(), withoutFiles, files)) {
    message_.textBody = bodyText(withoutFiles, charset);
    for (UuFile& f : files) {
      Attachment a;
      a.fileName = decodeRawHeaderBytes(f.name);
      a.mimeType = "application/octet-stream";
      a.data = std::move(f.data);
      message_.attachments.push_back(std::move(a));
    }
  } else {
    message_.textBody = bodyText(body.view(), charset);
  }
}

void MessageBuilder::setHtmlBody(const MimeEntity& entity) {
  const std::string charset = entity.type.value.paramValue("charset");
  log_.note(charset);
  DecodedBody body(entity);
  message_.htmlBody = bodyText(body.view(), charset);
}

void MessageBuilder::attach(const MimeEntity& entity, const Place& place) {
  const std::string charset = entity.type.value.paramValue("charset");
  if (entity.type.type == "text") log_.note(charset);
  message_.attachments.push_back(attachmentOf(entity, place.inRelated, log_));
}

void MessageBuilder::readEmbedded(const MimeEntity& entity, const Place& place) {
  Attachment a;
  a.fileName = entity.fileName(log_);
  a.mimeType = "message/rfc822";
  a.isInline = entity.disposition.token == "inline";
  DecodedBody body(entity);
  a.embedded = std::make_shared<Message>();
  MessageBuilder inner(*a.embedded, budget_, place.depth + 1, false);
  inner.read(body.view());
  if (keepEmbeddedSource_) a.embeddedSource = body.take();
  message_.attachments.push_back(std::move(a));
}

}  // namespace qm::mail::mime
