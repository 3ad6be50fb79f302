#include "cli/json_text.h"

#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0.
std::size_t sequenceLength(const std::string& s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  for (std::size_t i = 0; i < utf8.size();) {
    const char c = utf8[i];
    const std::size_t n = sequenceLength(utf8, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out.append(utf8, i, n);
    }
    i += n;
  }
  return out + "\"";
}
