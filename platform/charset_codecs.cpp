// The decoders that work the same on every platform: windows-1252, UTF-8, UTF-16, UTF-7.
#include "platform/charset_codecs.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/charset.h"

namespace qm::platform {

namespace {

// windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined keep their
// Latin-1 code point, as Windows itself converts them.
constexpr std::array<char16_t, 32> kHigh1252{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Every windows-1252 byte as UTF-16.
constexpr std::array<char16_t, 256> k1252 = [] {
  std::array<char16_t, 256> t{};
  for (std::size_t b = 0; b < 256; ++b) t[b] = b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : static_cast<char16_t>(b);
  return t;
}();

// Copies the run of ASCII bytes at the start of p, eight at a time, as UTF-16; returns the
// bytes copied (a multiple of eight: the rest is left to the caller).
std::size_t copyAsciiRun(const unsigned char* p, std::size_t size, char16_t* dst) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) word |= static_cast<std::uint64_t>(p[i + k]) << (8 * k);
    if (word & 0x8080808080808080ULL) break;
    for (int k = 0; k < 8; ++k) dst[i + k] = p[i + k];
  }
  return i;
}

}  // namespace

char16_t windows1252Char(unsigned char byte) { return k1252[byte]; }

namespace codecs {

void appendWindows1252(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  const std::size_t start = out.size();
  out.resize(start + size);
  char16_t* dst = out.data() + start;
  for (std::size_t i = 0; i < size;) {
    i += copyAsciiRun(p + i, size - i, dst + i);
    // Up to the next eight-byte step, or to the end, byte by byte.
    for (const std::size_t stop = std::min(size, i + 8); i < stop; ++i) dst[i] = k1252[p[i]];
  }
}

namespace {

// Length of the well-formed UTF-8 sequence at p (RFC 3629), 0 when it is not one.
std::size_t utf8SequenceAt(const unsigned char* p, std::size_t left, char32_t& cp) {
  const unsigned char b0 = p[0];
  std::size_t n;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, min = 0x80, cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, min = 0x800, cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, min = 0x10000, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

void appendUtf8(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  const std::size_t start = out.size();
  // UTF-16 never needs more units than UTF-8 has bytes.
  out.resize(start + size);
  char16_t* dst = out.data() + start;
  std::size_t i = 0;
  while (i < size) {
    const std::size_t ascii = copyAsciiRun(p + i, size - i, dst);
    dst += ascii;
    i += ascii;
    if (i >= size) break;
    if (p[i] < 0x80) {
      *dst++ = p[i++];
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = utf8SequenceAt(p + i, size - i, cp);
    if (n == 0) {
      *dst++ = windows1252Char(p[i++]);
    } else if (cp < 0x10000) {
      *dst++ = static_cast<char16_t>(cp);
      i += n;
    } else {
      cp -= 0x10000;
      *dst++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *dst++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      i += n;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

void appendUtf16(std::string_view bytes, bool bigEndianDefault, bool honourBom,
                 std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  bool big = bigEndianDefault;
  if (honourBom && bytes.size() >= 2) {
    if (p[0] == 0xFE && p[1] == 0xFF) big = true, i = 2;
    else if (p[0] == 0xFF && p[1] == 0xFE) big = false, i = 2;
  }
  out.reserve(out.size() + bytes.size() / 2 + 1);
  for (; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(big ? (p[i] << 8) | p[i + 1] : (p[i + 1] << 8) | p[i]));
  }
  if (i < bytes.size()) out.push_back(windows1252Char(p[i]));
}

namespace {

int utf7Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

// RFC 2152: "+" opens a run of modified base64 holding UTF-16 units, which ends at the
// first character outside the base64 alphabet; a "-" ending the run is absorbed, and "+-"
// stands for "+".
void appendUtf7(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  out.reserve(out.size() + size);
  std::size_t i = 0;
  while (i < size) {
    const unsigned char c = p[i];
    if (c != '+') {
      out.push_back(c < 0x80 ? static_cast<char16_t>(c) : windows1252Char(c));
      ++i;
      continue;
    }
    ++i;
    if (i < size && p[i] == '-') {
      out.push_back(u'+');
      ++i;
      continue;
    }
    std::uint32_t bits = 0;
    int bitCount = 0;
    while (i < size) {
      const int v = utf7Base64Value(p[i]);
      if (v < 0) break;
      bits = (bits << 6) | static_cast<std::uint32_t>(v);
      bitCount += 6;
      if (bitCount >= 16) {
        bitCount -= 16;
        out.push_back(static_cast<char16_t>((bits >> bitCount) & 0xFFFF));
      }
      ++i;
    }
    if (i < size && p[i] == '-') ++i;
  }
}

std::string iso2022JpToEucJp(std::string_view bytes) {
  enum class Set { Ascii, Jis0208, Jis0212, Katakana };
  Set set = Set::Ascii;
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::string_view rest = bytes.substr(i);
    if (c == 0x1B) {
      // ESC ( B, ESC ( J: ASCII and JIS-Roman; ESC ( I: half-width katakana;
      // ESC $ @, ESC $ B: JIS X 0208; ESC $ ( D: JIS X 0212.
      if (rest.starts_with("\x1B(B") || rest.starts_with("\x1B(J")) {
        set = Set::Ascii, i += 2;
        continue;
      }
      if (rest.starts_with("\x1B(I")) {
        set = Set::Katakana, i += 2;
        continue;
      }
      if (rest.starts_with("\x1B$@") || rest.starts_with("\x1B$B")) {
        set = Set::Jis0208, i += 2;
        continue;
      }
      if (rest.starts_with("\x1B$(D")) {
        set = Set::Jis0212, i += 3;
        continue;
      }
    }
    if (c == '\r' || c == '\n') set = Set::Ascii;  // every line starts in ASCII
    const bool inSet = c >= 0x21 && c <= 0x7E;
    if (set == Set::Katakana && inSet) {
      out.push_back(static_cast<char>(0x8E));
      out.push_back(static_cast<char>(c | 0x80));
    } else if ((set == Set::Jis0208 || set == Set::Jis0212) && inSet && i + 1 < bytes.size() &&
               bytes[i + 1] >= 0x21 && bytes[i + 1] <= 0x7E) {
      if (set == Set::Jis0212) out.push_back(static_cast<char>(0x8F));
      out.push_back(static_cast<char>(c | 0x80));
      out.push_back(static_cast<char>(static_cast<unsigned char>(bytes[++i]) | 0x80));
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace codecs

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = codecs::utf8SequenceAt(p + i, bytes.size() - i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace qm::platform
