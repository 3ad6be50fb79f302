// One MIME entity (a message or a body part) as the reader sees it: its header block, its
// content type and disposition, and its body before and after transfer decoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mailstore/message.h"
#include "mailstore/mime/content_type.h"
#include "mailstore/mime/header_block.h"
#include "mailstore/mime/transfer_encoding.h"

namespace qm::mail::mime {

struct MimeEntity {
  HeaderBlock header;
  ContentType type;
  ParameterizedValue disposition;  // token empty when there is no Content-Disposition
  TransferEncoding encoding = TransferEncoding::Identity;

  // A whole message (`isMessage`) or a body part; a part of a multipart/digest is
  // message/rfc822 unless it says otherwise.
  static MimeEntity parse(std::string_view bytes, bool isMessage, bool inDigest);

  std::string_view body() const { return header.body(); }
  bool isAttachmentDisposition() const { return disposition.token == "attachment"; }
  bool hasFileName() const { return disposition.param("filename") || type.value.param("name"); }
  std::u16string fileName(CharsetLog& log) const;
};

// The body after transfer decoding; a view of the entity when nothing had to be decoded.
class DecodedBody {
 public:
  explicit DecodedBody(const MimeEntity& entity);
  std::string_view view() const { return view_; }
  std::vector<std::uint8_t> take();

 private:
  std::vector<std::uint8_t> owned_;
  std::string_view view_;
};

// Text in `charset` to UTF-16 with CR LF line ends.
std::u16string bodyText(std::string_view bytes, std::string_view charset);

// An attachment for the entity, its content decoded. `inRelated`: a part of a
// multipart/related, shown in place when it carries a Content-ID.
Attachment attachmentOf(const MimeEntity& entity, bool inRelated, CharsetLog& log);

}  // namespace qm::mail::mime
