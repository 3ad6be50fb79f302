#include "mailstore/mime/header_text.h"

#include <algorithm>

#include "mailstore/mime/header_block.h"
#include "mailstore/mime/transfer_encoding.h"
#include "platform/charset.h"

namespace qm::mail::mime {

void CharsetLog::note(std::string_view charset) {
  std::string name = toLower(trimBlanks(charset));
  name.erase(std::remove(name.begin(), name.end(), '"'), name.end());
  if (name.empty()) return;
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
}

std::u16string decodeRawHeaderBytes(std::string_view bytes) {
  bool ascii = true;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::u16string(bytes.begin(), bytes.end());
  return platform::isValidUtf8(bytes) ? platform::utf8ToUtf16(bytes)
                                      : platform::windows1252ToUtf16(bytes);
}

namespace {

struct EncodedWord {
  std::size_t end = 0;  // index just past "?="
  std::string_view charset;
  std::string bytes;
};

void decodeQ(std::string_view text, std::string& out) {
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    int hi = -1, lo = -1;
    if (c == '=' && i + 2 < text.size()) {
      hi = hexValue(text[i + 1]);
      lo = hexValue(text[i + 2]);
    }
    if (c == '_') {
      out.push_back(' ');
    } else if (hi >= 0 && lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
}

// "=?charset?E?text?=" at `at`; false when what stands there is not a well-formed word.
bool parseEncodedWord(std::string_view s, std::size_t at, EncodedWord& word) {
  const std::size_t q1 = s.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 == at + 2 || q1 + 2 >= s.size() || s[q1 + 2] != '?')
    return false;
  const char encoding = s[q1 + 1];
  const std::size_t textStart = q1 + 3;
  const std::size_t close = s.find("?=", textStart);
  if (close == std::string_view::npos) return false;
  const std::string_view charset = s.substr(at + 2, q1 - at - 2);
  for (char c : charset) {
    if (isBlank(c) || c == '?' || c == '=') return false;
  }
  const std::string_view text = s.substr(textStart, close - textStart);
  for (char c : text) {
    if (isBlank(c)) return false;
  }
  word.charset = charset;
  word.bytes.clear();
  if (encoding == 'B' || encoding == 'b') {
    if (!decodeBase64Strictly(text, word.bytes)) return false;
  } else if (encoding == 'Q' || encoding == 'q') {
    decodeQ(text, word.bytes);
  } else {
    return false;
  }
  word.end = close + 2;
  return true;
}

class TextDecoder {
 public:
  explicit TextDecoder(CharsetLog& log) : log_(log) {}

  void literal(std::string_view bytes) {
    if (bytes.empty()) return;
    flush();
    out_ += decodeRawHeaderBytes(bytes);
    lastWasWord_ = false;
  }
  // Blanks are held back until it is known whether an encoded word follows them.
  void blanks(std::string_view b) { heldBlanks_ = b; }
  void word(const EncodedWord& w) {
    log_.note(w.charset);
    const bool joinsPrevious = lastWasWord_;
    if (!joinsPrevious) releaseBlanks();
    heldBlanks_ = {};
    if (!joinsPrevious || !equalsIgnoringCase(w.charset, pendingCharset_)) {
      flush();
      pendingCharset_ = w.charset;
    }
    pending_ += w.bytes;
    lastWasWord_ = true;
  }
  void releaseBlanks() {
    if (heldBlanks_.empty()) return;
    flush();
    out_.append(heldBlanks_.begin(), heldBlanks_.end());
    heldBlanks_ = {};
  }
  std::u16string finish() {
    flush();
    return std::move(out_);
  }

 private:
  void flush() {
    if (pending_.empty()) return;
    out_ += platform::toUtf16(pending_, pendingCharset_);
    pending_.clear();
  }

  CharsetLog& log_;
  std::u16string out_;
  std::string pending_;
  std::string_view pendingCharset_;
  std::string_view heldBlanks_;
  bool lastWasWord_ = false;
};

}  // namespace

std::u16string decodeHeaderText(std::string_view s, CharsetLog& log) {
  if (s.find("=?") == std::string_view::npos) return decodeRawHeaderBytes(s);
  TextDecoder decoder(log);
  std::size_t i = 0;
  EncodedWord word;
  while (i < s.size()) {
    std::size_t start = i;
    while (i < s.size() && isBlank(s[i])) ++i;
    decoder.blanks(s.substr(start, i - start));
    start = i;
    while (i < s.size() && !isBlank(s[i])) ++i;
    const std::string_view token = s.substr(start, i - start);
    if (token.empty()) break;
    // Within one token: literal text and encoded words, in turn.
    std::size_t j = 0;
    bool first = true;
    while (j < token.size()) {
      std::size_t at = token.find("=?", j);
      while (at != std::string_view::npos && !parseEncodedWord(token, at, word)) {
        at = token.find("=?", at + 1);
      }
      if (at == std::string_view::npos) at = token.size();
      if (at > j) {
        if (first) decoder.releaseBlanks();
        decoder.literal(token.substr(j, at - j));
      }
      if (at < token.size()) {
        decoder.word(word);
        j = word.end;
      } else {
        j = at;
      }
      first = false;
    }
  }
  return decoder.finish();
}

}  // namespace qm::mail::mime
