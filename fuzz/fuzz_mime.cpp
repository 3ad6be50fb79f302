// The MIME reader on any bytes, and the parts of the model that the store writers read; the
// transfer decoders on the whole input too, so that long runs reach their block paths.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "mailstore/attachment_name.h"
#include "mailstore/mime/mime_reader.h"
#include "mailstore/mime/transfer_encoding.h"
#include "mailstore/mime/uuencode.h"
#include "platform/charset.h"

namespace {

std::size_t walk(const qm::mail::Message& m) {
  std::size_t n = qm::platform::utf16ToUtf8(m.subject).size() + m.transportHeaders.size();
  for (std::size_t i = 0; i < m.attachments.size(); ++i) {
    n += qm::mail::safeAttachmentFileName(m.attachments[i], i + 1).size();
    if (m.attachments[i].embedded) n += walk(*m.attachments[i].embedded);
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::mail::Message message =
      qm::mail::readMimeMessage(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> decoded;
  qm::mail::mime::decodeBase64(text, decoded);
  qm::mail::mime::decodeQuotedPrintable(text, decoded);
  qm::mail::mime::decodeUuBody(text, decoded);
  volatile std::size_t sink = walk(message) + decoded.size();
  (void)sink;
  return 0;
}
