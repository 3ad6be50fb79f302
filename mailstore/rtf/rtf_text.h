// A rich-text document built in one pass (RTF 1.9.1): control words, groups that always
// nest, and text escaped for it. Non-ASCII characters go out as \uN with a one-byte ANSI
// fallback (\uc1): the windows-1252 byte where there is one, '?' elsewhere; a character
// beyond the Basic Multilingual Plane as its two surrogates, each a \uN of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::mail::rtf {

class RtfText {
 public:
  // The document so far, and ready to hand out: every group still open is closed.
  std::string finish();
  void reserve(std::size_t bytes) { out_.reserve(bytes); }

  // "\word" or "\wordN"; a space follows when text comes next, so that the text cannot
  // run into the word.
  void control(std::string_view word);
  void control(std::string_view word, long value);
  // RTF written as it stands (a destination's fixed text such as "\*\fldinst").
  void raw(std::string_view rtf);

  // Groups: close() never closes more than were opened.
  void open();
  void close();
  int depth() const { return depth_; }

  // Text of a paragraph: '\', '{', '}' escaped, a tab as \tab, other control characters
  // dropped. Line ends are text's business: see lines().
  void text(std::u16string_view text);
  // Text in which every line end (CR LF, LF or CR) ends a paragraph.
  void lines(std::u16string_view text);
  // One character as text.
  void character(char32_t c);

 private:
  void beforeText();
  void unicode(char16_t unit, char fallback);
  void ansi(char16_t c);

  std::string out_;
  int depth_ = 0;
  bool delimit_ = false;  // a control word ended last and wants a space before text
};

}  // namespace qm::mail::rtf
