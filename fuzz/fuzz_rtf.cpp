// The rich-text writer on any mail: the bytes are read as a mail, and also taken whole as
// the HTML body and as the plain-text body of one, so that the HTML reader sees any text.
// Every document must be well formed: groups balanced, 7-bit bytes only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mailstore/mime/mime_reader.h"
#include "mailstore/rtf/rtf_mail.h"
#include "platform/charset.h"

namespace {

void check(const std::string& rtf) {
  if (rtf.rfind("{\\rtf1", 0) != 0) std::abort();
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(rtf[i]);
    if (c >= 0x80) std::abort();
    if (c == '\\') ++i;
    else if (c == '{') ++depth;
    else if (c == '}' && --depth < 0) std::abort();
    if (depth == 0 && i + 1 < rtf.size()) std::abort();  // nothing after the document's group
  }
  if (depth != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check(qm::mail::rtf::renderMailRtf(qm::mail::readMimeMessage(bytes)));
  qm::mail::Message m;
  m.htmlBody = qm::platform::utf8ToUtf16(bytes);
  check(qm::mail::rtf::renderMailRtf(m));
  m.textBody = std::move(m.htmlBody);
  check(qm::mail::rtf::renderMailRtf(m));
  return 0;
}
