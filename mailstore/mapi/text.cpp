#include "mailstore/mapi/text.h"

#include "platform/charset.h"

namespace qm::mapi {
namespace {

bool decodeUtf8(std::string_view s, std::u16string& out) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::uint32_t cp;
    std::size_t n;
    if (b < 0x80) cp = b, n = 1;
    else if ((b & 0xE0) == 0xC0) cp = b & 0x1F, n = 2;
    else if ((b & 0xF0) == 0xE0) cp = b & 0x0F, n = 3;
    else if ((b & 0xF8) == 0xF0) cp = b & 0x07, n = 4;
    else return false;
    if (i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp < 0xE000))
      return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return true;
}

}  // namespace

std::u16string widenHeaderText(std::string_view bytes) {
  std::u16string out;
  if (decodeUtf8(bytes, out)) return out;
  out.clear();
  for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string toUtf8(std::u16string_view text) { return platform::utf16ToUtf8(text); }

std::uint64_t toFileTime(std::int64_t unixSeconds) {
  return static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
}

}  // namespace qm::mapi
