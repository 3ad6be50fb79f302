#include "mailstore/mime/mime_entity.h"

#include <algorithm>

#include "mailstore/mime/uuencode.h"
#include "platform/charset.h"

namespace qm::mail::mime {

MimeEntity MimeEntity::parse(std::string_view bytes, bool isMessage, bool inDigest) {
  MimeEntity e;
  e.header = HeaderBlock::parse(bytes, isMessage);
  if (inDigest) {
    e.type = parseContentType(e.header.value("Content-Type"), "message", "rfc822");
  } else {
    e.type = parseContentType(e.header.value("Content-Type"), "text", "plain");
  }
  if (e.header.has("Content-Disposition")) {
    e.disposition = parseParameterizedValue(e.header.value("Content-Disposition"));
  }
  e.encoding = transferEncodingOf(e.header.value("Content-Transfer-Encoding"));
  return e;
}

std::u16string MimeEntity::fileName(CharsetLog& log) const {
  if (const MimeParam* p = disposition.param("filename")) return paramText(*p, log);
  if (const MimeParam* p = type.value.param("name")) return paramText(*p, log);
  return {};
}

DecodedBody::DecodedBody(const MimeEntity& entity) {
  const std::string_view body = entity.body();
  switch (entity.encoding) {
    case TransferEncoding::Base64:
      decodeBase64(body, owned_);
      break;
    case TransferEncoding::QuotedPrintable:
      decodeQuotedPrintable(body, owned_);
      break;
    case TransferEncoding::UuEncode:
      decodeUuBody(body, owned_);
      break;
    case TransferEncoding::Identity:
      view_ = body;
      return;
  }
  view_ = std::string_view(reinterpret_cast<const char*>(owned_.data()), owned_.size());
}

std::vector<std::uint8_t> DecodedBody::take() {
  if (owned_.empty() && !view_.empty()) return std::vector<std::uint8_t>(view_.begin(), view_.end());
  view_ = {};
  return std::move(owned_);
}

std::u16string bodyText(std::string_view bytes, std::string_view charset) {
  std::u16string text = platform::toUtf16(bytes, charset);
  std::size_t bareLineFeeds = 0;
  for (auto lf = std::find(text.begin(), text.end(), u'\n'); lf != text.end(); lf = std::find(lf + 1, text.end(), u'\n')) {
    if (lf == text.begin() || lf[-1] != u'\r') ++bareLineFeeds;
  }
  if (bareLineFeeds == 0) return text;
  std::u16string out;
  out.reserve(text.size() + bareLineFeeds);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out.push_back(u'\r');
    out.push_back(text[i]);
  }
  return out;
}

namespace {

std::string withoutAngles(std::string_view id) {
  id = trimBlanks(id);
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
  return std::string(id);
}

}  // namespace

Attachment attachmentOf(const MimeEntity& entity, bool inRelated, CharsetLog& log) {
  Attachment a;
  a.fileName = entity.fileName(log);
  a.mimeType = entity.type.mimeType();
  a.contentId = withoutAngles(entity.header.value("Content-ID"));
  a.contentLocation = entity.header.value("Content-Location");
  a.isInline = entity.disposition.token == "inline" || (inRelated && !a.contentId.empty());
  DecodedBody body(entity);
  a.data = body.take();
  return a;
}

}  // namespace qm::mail::mime
