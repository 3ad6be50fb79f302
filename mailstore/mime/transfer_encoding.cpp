#include "mailstore/mime/transfer_encoding.h"

#include <array>
#include <cstring>

#include "mailstore/mime/base64_blocks.h"
#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

namespace {

constexpr std::uint8_t kSkip = 0x80;
constexpr std::uint8_t kPad = 0x40;

constexpr std::array<std::uint8_t, 256> makeBase64Table() {
  std::array<std::uint8_t, 256> t{};
  for (auto& v : t) v = kSkip;
  for (int i = 0; i < 26; ++i) {
    t['A' + i] = static_cast<std::uint8_t>(i);
    t['a' + i] = static_cast<std::uint8_t>(26 + i);
  }
  for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<std::uint8_t>(52 + i);
  t['+'] = 62;
  t['/'] = 63;
  t['='] = kPad;
  return t;
}

constexpr std::array<std::uint8_t, 256> kBase64 = makeBase64Table();

// The sextet of each character already shifted to its place in a 24-bit group, one table
// per position in the quantum; characters outside the alphabet set bit 24, so one compare
// checks a whole quantum.
constexpr std::uint32_t kNotSextet = 1u << 24;

constexpr std::array<std::uint32_t, 256> makeShiftedTable(int shift) {
  std::array<std::uint32_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const std::uint8_t v = kBase64[static_cast<std::size_t>(c)];
    t[static_cast<std::size_t>(c)] = v >= 64 ? kNotSextet : static_cast<std::uint32_t>(v) << shift;
  }
  return t;
}

constexpr std::array<std::uint32_t, 256> kAt0 = makeShiftedTable(18);
constexpr std::array<std::uint32_t, 256> kAt1 = makeShiftedTable(12);
constexpr std::array<std::uint32_t, 256> kAt2 = makeShiftedTable(6);
constexpr std::array<std::uint32_t, 256> kAt3 = makeShiftedTable(0);

inline std::uint32_t quantum(const unsigned char* p) {
  return kAt0[p[0]] | kAt1[p[1]] | kAt2[p[2]] | kAt3[p[3]];
}

inline void put3(std::uint8_t* dst, std::uint32_t v) {
  dst[0] = static_cast<std::uint8_t>(v >> 16);
  dst[1] = static_cast<std::uint8_t>(v >> 8);
  dst[2] = static_cast<std::uint8_t>(v);
}

}  // namespace

TransferEncoding transferEncodingOf(std::string_view value) {
  const std::string v = toLower(trimBlanks(value));
  if (v == "base64") return TransferEncoding::Base64;
  if (v == "quoted-printable") return TransferEncoding::QuotedPrintable;
  if (v == "x-uuencode" || v == "uuencode" || v == "x-uue" || v == "x-uu") return TransferEncoding::UuEncode;
  return TransferEncoding::Identity;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

namespace {

// Decoding state carried from one piece of text to the next.
class Base64Decoder {
 public:
  explicit Base64Decoder(std::uint8_t* dst) : dst_(dst) {}
  void feed(const unsigned char* p, std::size_t n);
  std::uint8_t* end() const { return dst_; }

 private:
  std::uint8_t* dst_;
  std::uint32_t acc_ = 0;
  int have_ = 0;  // sextets in acc_
};

void Base64Decoder::feed(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    // Whole quanta of alphabet characters: the common case.
    if (have_ == 0) {
      const std::size_t blocks = decodeBase64Blocks(p + i, n - i, dst_);
      i += blocks;
      dst_ += blocks / 4 * 3;
      while (i + 8 <= n) {
        const std::uint32_t a = quantum(p + i), b = quantum(p + i + 4);
        if ((a | b) & kNotSextet) break;
        put3(dst_, a);
        put3(dst_ + 3, b);
        dst_ += 6;
        i += 8;
      }
      if (i + 4 <= n) {
        const std::uint32_t a = quantum(p + i);
        if (!(a & kNotSextet)) {
          put3(dst_, a);
          dst_ += 3;
          i += 4;
          continue;
        }
      }
      if (i >= n) break;
    }
    const std::uint8_t v = kBase64[p[i++]];
    if (v == kSkip) continue;
    if (v == kPad) {
      // Padding closes the quantum; the bytes it completes were written already.
      acc_ = 0;
      have_ = 0;
      continue;
    }
    acc_ = (acc_ << 6) | v;
    ++have_;
    if (have_ == 2) *dst_++ = static_cast<std::uint8_t>(acc_ >> 4);
    else if (have_ == 3) *dst_++ = static_cast<std::uint8_t>(acc_ >> 2);
    else if (have_ == 4) {
      *dst_++ = static_cast<std::uint8_t>(acc_);
      acc_ = 0;
      have_ = 0;
    }
  }
}

// Feeds a body's lines to the decoder without their line ends, gathered in a buffer that
// stays in the cache, so that the block decoder runs through whole buffers. Where a line
// end is missed, the decoder skips it like any other character outside the alphabet.
void feedLines(std::string_view text, Base64Decoder& decoder) {
  constexpr std::size_t kBuffer = 16384;
  unsigned char buffer[kBuffer + 16];  // 16 to spare for the last step of a copy
  std::size_t used = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t pos = 0;
  std::size_t lastLine = 0;  // length of the previous line with its line end
  while (pos < n) {
    std::size_t next;
    // Encoders write lines of one length: try where the previous one ended first.
    if (lastLine > 0 && pos + lastLine <= n && p[pos + lastLine - 1] == '\n') {
      next = pos + lastLine;
    } else {
      const void* nl = std::memchr(p + pos, '\n', n - pos);
      next = nl ? static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - p) + 1 : n;
      lastLine = next - pos;
    }
    std::size_t end = next;
    if (end > pos && p[end - 1] == '\n') --end;
    if (end > pos && p[end - 1] == '\r') --end;
    const std::size_t length = end - pos;
    if (used + length > kBuffer) {
      decoder.feed(buffer, used);
      used = 0;
    }
    if (length > kBuffer) {
      decoder.feed(p + pos, length);
    } else {
      // Typical lines copied in 16-byte steps the compiler inlines, rather than a call each.
      std::size_t k = 0;
      if (pos + length + 16 <= n) {
        for (; k < length; k += 16) std::memcpy(buffer + used + k, p + pos + k, 16);
      } else {
        std::memcpy(buffer + used, p + pos, length);
      }
      used += length;
    }
    pos = next;
  }
  decoder.feed(buffer, used);
}

}  // namespace

void decodeBase64(std::string_view text, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  // Room for the block decoder's spare bytes.
  out.resize(start + text.size() / 4 * 3 + 8);
  Base64Decoder decoder(out.data() + start);
  if (text.size() > 1024) {
    feedLines(text, decoder);
  } else {
    decoder.feed(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }
  out.resize(static_cast<std::size_t>(decoder.end() - out.data()));
}

bool decodeBase64Strictly(std::string_view text, std::string& out) {
  for (char c : text) {
    if (kBase64[static_cast<unsigned char>(c)] == kSkip) return false;
  }
  std::vector<std::uint8_t> bytes;
  decodeBase64(text, bytes);
  out.append(bytes.begin(), bytes.end());
  return true;
}

void decodeQuotedPrintable(std::string_view text, std::vector<std::uint8_t>& out) {
  out.reserve(out.size() + text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t nl = text.find('\n', pos);
    const bool hasBreak = nl != std::string_view::npos;
    std::size_t end = hasBreak ? nl : text.size();
    const bool crlf = hasBreak && end > pos && text[end - 1] == '\r';
    if (crlf) --end;
    while (end > pos && isBlank(text[end - 1])) --end;
    bool soft = false;
    if (end > pos && text[end - 1] == '=') {
      soft = true;
      --end;
    }
    std::size_t i = pos;
    while (i < end) {
      const char* eq = static_cast<const char*>(std::memchr(text.data() + i, '=', end - i));
      const std::size_t stop = eq ? static_cast<std::size_t>(eq - text.data()) : end;
      out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(i),
                 text.begin() + static_cast<std::ptrdiff_t>(stop));
      i = stop;
      if (i >= end) break;
      int h = -1, l = -1;
      if (i + 2 < end) {
        h = hexValue(text[i + 1]);
        l = hexValue(text[i + 2]);
      }
      if (h >= 0 && l >= 0) {
        out.push_back(static_cast<std::uint8_t>(h * 16 + l));
        i += 3;
      } else {
        out.push_back('=');
        ++i;
      }
    }
    if (hasBreak && !soft) {
      if (crlf) out.push_back('\r');
      out.push_back('\n');
    }
    pos = hasBreak ? nl + 1 : text.size();
  }
}

}  // namespace qm::mail::mime
