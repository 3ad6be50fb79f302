#include "mailstore/rtf/rtf_text.h"

#include <array>

#include "platform/charset.h"

namespace qm::mail::rtf {

namespace {

// The windows-1252 byte of a character, 0 where it has none. Built once from the decoder's
// own table so that the two stay one.
class AnsiTable {
 public:
  AnsiTable() {
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char16_t c = platform::windows1252Char(static_cast<unsigned char>(b));
      if (c >= 0xA0 && c <= 0xFF) latin_[c - 0xA0] = static_cast<unsigned char>(b);
      else if (c >= 0x100 && extraCount_ < extra_.size()) extra_[extraCount_++] = {c, static_cast<unsigned char>(b)};
    }
  }
  unsigned char byteOf(char16_t c) const {
    if (c >= 0xA0 && c <= 0xFF) return latin_[c - 0xA0];
    for (std::size_t i = 0; i < extraCount_; ++i)
      if (extra_[i].c == c) return extra_[i].byte;
    return 0;
  }

 private:
  struct Extra {
    char16_t c = 0;
    unsigned char byte = 0;
  };
  std::array<unsigned char, 0x60> latin_{};
  std::array<Extra, 32> extra_{};
  std::size_t extraCount_ = 0;
};

const AnsiTable& ansiTable() {
  static const AnsiTable table;
  return table;
}

constexpr char kHex[] = "0123456789abcdef";

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string RtfText::finish() {
  while (depth_ > 0) close();
  return std::move(out_);
}

void RtfText::control(std::string_view word) {
  out_ += '\\';
  out_ += word;
  delimit_ = true;
}

void RtfText::control(std::string_view word, long value) {
  control(word);
  out_ += std::to_string(value);
}

void RtfText::raw(std::string_view rtf) {
  out_ += rtf;
  delimit_ = false;
}

void RtfText::open() {
  out_ += '{';
  ++depth_;
  delimit_ = false;
}

void RtfText::close() {
  if (depth_ == 0) return;
  out_ += '}';
  --depth_;
  delimit_ = false;
}

void RtfText::beforeText() {
  if (delimit_) out_ += ' ';
  delimit_ = false;
}

void RtfText::unicode(char16_t unit, char fallback) {
  // \uN takes a signed 16-bit number.
  control("u", unit > 0x7FFF ? static_cast<long>(unit) - 0x10000 : static_cast<long>(unit));
  out_ += fallback;
  delimit_ = false;
}

void RtfText::ansi(char16_t c) {
  const unsigned char byte = ansiTable().byteOf(c);
  if (byte == 0) {
    unicode(c, '?');
    return;
  }
  unicode(c, '\\');
  out_ += '\'';
  out_ += kHex[byte >> 4];
  out_ += kHex[byte & 15];
}

void RtfText::text(std::u16string_view text) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (c >= 0x20 && c < 0x7F) {
      // Plain ASCII in runs: the common case for most mail.
      std::size_t end = i;
      while (end < n && text[end] >= 0x20 && text[end] < 0x7F && text[end] != u'\\' && text[end] != u'{' &&
             text[end] != u'}')
        ++end;
      if (end > i) {
        beforeText();
        for (std::size_t k = i; k < end; ++k) out_ += static_cast<char>(text[k]);
        i = end - 1;
        continue;
      }
      beforeText();
      out_ += '\\';
      out_ += static_cast<char>(c);
    } else if (c == u'\t') {
      control("tab");
    } else if (c < 0x20 || c == 0x7F) {
      // Other control characters have no place in a document.
    } else if (isHigh(c) && i + 1 < n && isLow(text[i + 1])) {
      unicode(c, '?');
      unicode(text[++i], '?');
    } else if (isHigh(c) || isLow(c)) {
      unicode(0xFFFD, '?');  // half a pair stands for no character
    } else {
      ansi(c);
    }
  }
}

void RtfText::lines(std::u16string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    this->text(text.substr(start, i - start));
    control("par");
    // A line end of the file itself, for whoever reads the file as text: readers ignore it,
    // and it ends the control word as a space would.
    out_ += "\r\n";
    delimit_ = false;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  this->text(text.substr(start));
}

void RtfText::character(char32_t c) {
  if (c > 0xFFFF && c <= 0x10FFFF) {
    const char32_t v = c - 0x10000;
    const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
    text(std::u16string_view(pair, 2));
  } else if (c <= 0xFFFF) {
    const char16_t one = static_cast<char16_t>(c);
    text(std::u16string_view(&one, 1));
  }
}

}  // namespace qm::mail::rtf
