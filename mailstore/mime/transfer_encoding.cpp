#include "mailstore/mime/transfer_encoding.h"

#include <array>
#include <cstring>

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

void decodeBase64(std::string_view text, std::vector<std::uint8_t>& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  const std::size_t start = out.size();
  out.resize(start + n / 4 * 3 + 3);
  std::uint8_t* dst = out.data() + start;
  std::size_t i = 0;
  std::uint32_t acc = 0;
  int have = 0;  // sextets in acc
  while (i < n) {
    // Whole quanta of four alphabet characters: the common case between line breaks.
    if (have == 0) {
      while (i + 4 <= n) {
        const std::uint32_t a = kBase64[p[i]], b = kBase64[p[i + 1]], c = kBase64[p[i + 2]],
                            d = kBase64[p[i + 3]];
        if ((a | b | c | d) & 0xC0) break;
        const std::uint32_t v = (a << 18) | (b << 12) | (c << 6) | d;
        dst[0] = static_cast<std::uint8_t>(v >> 16);
        dst[1] = static_cast<std::uint8_t>(v >> 8);
        dst[2] = static_cast<std::uint8_t>(v);
        dst += 3;
        i += 4;
      }
      if (i >= n) break;
    }
    const std::uint8_t v = kBase64[p[i++]];
    if (v == kSkip) continue;
    if (v == kPad) {
      // Padding closes the quantum; the bytes it completes were written already.
      acc = 0;
      have = 0;
      continue;
    }
    acc = (acc << 6) | v;
    ++have;
    if (have == 2) *dst++ = static_cast<std::uint8_t>(acc >> 4);
    else if (have == 3) *dst++ = static_cast<std::uint8_t>(acc >> 2);
    else if (have == 4) {
      *dst++ = static_cast<std::uint8_t>(acc);
      acc = 0;
      have = 0;
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
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
