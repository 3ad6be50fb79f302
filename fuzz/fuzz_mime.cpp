// The MIME reader on any bytes, and the parts of the model that the store writers read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mailstore/attachment_name.h"
#include "mailstore/mime/mime_reader.h"
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
  volatile std::size_t sink = walk(message);
  (void)sink;
  return 0;
}
