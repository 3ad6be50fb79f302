// A reader of the HTML that mail carries, for rendering it: tags with the few attributes a
// renderer uses, and text with its character references decoded. It reads any text: tags
// left open, quotes never closed, nesting of any depth, stray '<' and '&'. Comments,
// declarations and the content of script, style and title elements are passed over. One
// pass over the text; memory bounded by the longest run of text.
#pragma once

#include <string>
#include <string_view>

namespace qm::mail::rtf {

struct HtmlTag {
  std::string name;     // lower case ASCII; cut to 16 characters
  bool closing = false;      // </name>
  bool selfClosing = false;  // <name/>
  std::u16string href;  // the href attribute, references decoded; empty when absent
};

class HtmlSink {
 public:
  virtual ~HtmlSink() = default;
  virtual void tag(const HtmlTag& tag) = 0;
  // Text as it stands in the document (white space not collapsed), references decoded.
  virtual void text(std::u16string_view text) = 0;
};

void readHtml(std::u16string_view html, HtmlSink& sink);

}  // namespace qm::mail::rtf
