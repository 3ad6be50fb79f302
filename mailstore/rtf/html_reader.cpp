#include "mailstore/rtf/html_reader.h"

#include "mailstore/rtf/html_entities.h"

namespace qm::mail::rtf {

namespace {

constexpr std::size_t kMaxTagName = 16;
constexpr std::size_t kMaxHref = 8 * 1024;  // longer links are passed over

bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }
char lower(char16_t c) { return static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c); }

void appendCharacter(std::u16string& out, char32_t c) {
  if (c > 0xFFFF) {
    const char32_t v = c - 0x10000;
    out += static_cast<char16_t>(0xD800 + (v >> 10));
    out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// Text with its character references decoded.
void decodeInto(std::u16string_view raw, std::u16string& out) {
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] == u'&') {
      const CharacterReference ref = readCharacterReference(raw.substr(i));
      if (ref.length > 0) {
        appendCharacter(out, ref.character);
        i += ref.length;
        continue;
      }
    }
    out += raw[i++];
  }
}

// Whether `text` at `at` starts with `word` (lower-case ASCII), ignoring case.
bool startsWithNoCase(std::u16string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (lower(text[at + k]) != word[k]) return false;
  return true;
}

class Reader {
 public:
  Reader(std::u16string_view html, HtmlSink& sink) : html_(html), sink_(sink) {}

  void run() {
    while (at_ < html_.size()) {
      const std::size_t lt = html_.find(u'<', at_);
      if (lt == std::u16string_view::npos) break;
      at_ = lt;
      // Markup reports the text before it, then itself, and moves past; a '<' that opens
      // nothing stays in the text.
      if (!markup()) ++at_;
    }
    flushText(html_.size());
  }

 private:
  // Reads the markup at at_ (a '<'); false when it is no markup but a plain '<'.
  bool markup() {
    const std::size_t lt = at_;
    if (lt + 1 >= html_.size()) return false;
    const char16_t next = html_[lt + 1];
    if (next == u'!' || next == u'?') {
      flushText(lt);
      if (startsWithNoCase(html_, lt, "<!--")) skipPast(lt + 4, u"-->");
      else skipPast(lt + 2, u">");
      return true;
    }
    const bool closing = next == u'/';
    const std::size_t nameStart = lt + (closing ? 2 : 1);
    if (nameStart >= html_.size() || !isLetter(html_[nameStart])) return false;
    flushText(lt);
    HtmlTag tag;
    tag.closing = closing;
    std::size_t i = nameStart;
    while (i < html_.size() && !isSpace(html_[i]) && html_[i] != u'>' && html_[i] != u'/') {
      if (tag.name.size() < kMaxTagName) tag.name += lower(html_[i]);
      ++i;
    }
    i = attributes(i, tag);
    at_ = i;
    textFrom_ = i;
    sink_.tag(tag);
    if (!closing && (tag.name == "script" || tag.name == "style" || tag.name == "title")) skipRawText(tag.name);
    return true;
  }

  // Reads the attributes up to the tag's '>' and returns the position after it.
  std::size_t attributes(std::size_t i, HtmlTag& tag) {
    const std::size_t n = html_.size();
    while (i < n) {
      while (i < n && isSpace(html_[i])) ++i;
      if (i >= n) break;
      if (html_[i] == u'>') return i + 1;
      if (html_[i] == u'/') {
        if (i + 1 < n && html_[i + 1] == u'>') tag.selfClosing = true;
        ++i;
        continue;
      }
      const std::size_t nameStart = i;
      while (i < n && !isSpace(html_[i]) && html_[i] != u'>' && html_[i] != u'=' && html_[i] != u'/') ++i;
      const std::u16string_view name = html_.substr(nameStart, i - nameStart);
      while (i < n && isSpace(html_[i])) ++i;
      if (i >= n || html_[i] != u'=') {
        if (i == nameStart) ++i;  // a lone '=' or the like: move on
        continue;
      }
      ++i;
      while (i < n && isSpace(html_[i])) ++i;
      std::size_t valueStart = i, valueEnd = i;
      if (i < n && (html_[i] == u'"' || html_[i] == u'\'')) {
        const std::size_t close = html_.find(html_[i], i + 1);
        valueStart = i + 1;
        valueEnd = close == std::u16string_view::npos ? n : close;
        i = close == std::u16string_view::npos ? n : close + 1;
      } else {
        while (i < n && !isSpace(html_[i]) && html_[i] != u'>') ++i;
        valueEnd = i;
      }
      if (name.size() == 4 && startsWithNoCase(name, 0, "href") && valueEnd - valueStart <= kMaxHref) {
        tag.href.clear();
        decodeInto(html_.substr(valueStart, valueEnd - valueStart), tag.href);
      }
    }
    return n;
  }

  // Passes over the content of a raw-text element up to its end tag.
  void skipRawText(const std::string& name) {
    std::size_t i = at_;
    for (;;) {
      const std::size_t lt = html_.find(u"</", i);
      if (lt == std::u16string_view::npos) {
        at_ = textFrom_ = html_.size();
        return;
      }
      if (startsWithNoCase(html_, lt + 2, name)) {
        at_ = textFrom_ = lt;  // the end tag itself is read as markup next
        return;
      }
      i = lt + 2;
    }
  }

  void skipPast(std::size_t from, std::u16string_view end) {
    const std::size_t found = html_.find(end, from);
    at_ = textFrom_ = found == std::u16string_view::npos ? html_.size() : found + end.size();
  }

  void flushText(std::size_t end) {
    if (end <= textFrom_) return;
    buffer_.clear();
    decodeInto(html_.substr(textFrom_, end - textFrom_), buffer_);
    textFrom_ = end;
    if (!buffer_.empty()) sink_.text(buffer_);
  }

  std::u16string_view html_;
  HtmlSink& sink_;
  std::size_t at_ = 0;
  std::size_t textFrom_ = 0;
  std::u16string buffer_;
};

}  // namespace

void readHtml(std::u16string_view html, HtmlSink& sink) { Reader(html, sink).run(); }

}  // namespace qm::mail::rtf
