#include "mailstore/rtf/html_to_rtf.h"

#include <string>
#include <vector>

#include "mailstore/rtf/html_reader.h"

namespace qm::mail::rtf {

namespace {

constexpr std::size_t kMaxOpen = 64;  // elements held open at once; deeper ones lose their style
constexpr long kIndentStep = 360;     // twips per list or quote level
constexpr long kSpaceAfter = 60;      // twips after each paragraph, as browsers set them apart

enum class Kind { Style, Heading, Link, List, Item, Quote, Pre, Block, Cell, Row };

struct Open {
  std::string name;
  Kind kind = Kind::Block;
  int groups = 0;    // RTF groups opened for it
  bool ordered = false;
  long number = 0;   // the next item's number in an ordered list
};

bool is(const std::string& name, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (name == n) return true;
  return false;
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

class Renderer : public HtmlSink {
 public:
  explicit Renderer(RtfText& out) : out_(out), baseDepth_(out.depth()) {
    out_.control("pard");
    out_.control("sa", kSpaceAfter);
  }

  void finish() {
    while (!open_.empty()) pop();
    while (out_.depth() > baseDepth_) out_.close();
  }

  void tag(const HtmlTag& tag) override {
    const std::string& name = tag.name;
    if (tag.closing) {
      end(name);
      return;
    }
    if (name == "br") {
      lineBreak();
    } else if (is(name, {"b", "strong"})) {
      style(name, "b");
    } else if (is(name, {"i", "em", "cite", "var", "dfn"})) {
      style(name, "i");
    } else if (is(name, {"u", "ins"})) {
      style(name, "ul");
    } else if (is(name, {"s", "strike", "del"})) {
      style(name, "strike");
    } else if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
      heading(name);
    } else if (name == "a") {
      link(tag);
    } else if (is(name, {"ul", "ol", "dl", "menu", "dir"})) {
      paragraphBreak();
      push({name, Kind::List, 0, name == "ol", 1});
    } else if (is(name, {"li", "dt", "dd"})) {
      item(name);
    } else if (name == "blockquote") {
      paragraphBreak();
      push({name, Kind::Quote});
    } else if (is(name, {"pre", "xmp", "listing", "plaintext"})) {
      paragraphBreak();
      push({name, Kind::Pre});
    } else if (is(name, {"td", "th"})) {
      cell(name);
    } else if (name == "tr") {
      closeUpTo(Kind::Row);
      paragraphBreak();
      push({name, Kind::Row});
      cellsInRow_ = 0;
    } else if (is(name, {"p", "div", "table", "center", "address", "hr", "section", "article", "header",
                         "footer", "nav", "aside", "form", "fieldset", "figure", "caption", "tbody",
                         "thead", "tfoot", "body", "html", "main"})) {
      if (name == "p" && !open_.empty() && open_.back().name == "p") pop();
      paragraphBreak();
      if (name != "hr") push({name, Kind::Block});
    }
  }

  void text(std::u16string_view text) override {
    if (preDepth_ > 0) {
      preformatted(text);
      return;
    }
    std::size_t i = 0;
    while (i < text.size()) {
      if (isSpace(text[i])) {
        pendingSpace_ = true;
        while (i < text.size() && isSpace(text[i])) ++i;
        continue;
      }
      std::size_t end = i;
      while (end < text.size() && !isSpace(text[end])) ++end;
      separate();
      out_.text(text.substr(i, end - i));
      lineEmpty_ = false;
      markerOnly_ = false;
      i = end;
    }
  }

 private:
  void push(Open open) {
    if (open_.size() >= kMaxOpen) {
      // Too deep to style: its groups are not opened, and its end tag finds nothing.
      for (int g = 0; g < open.groups; ++g) out_.close();
      return;
    }
    if (open.kind == Kind::Pre) ++preDepth_;
    if (open.kind == Kind::List || open.kind == Kind::Quote) ++indentLevel_;
    open_.push_back(std::move(open));
  }

  void pop() {
    const Open& top = open_.back();
    for (int g = 0; g < top.groups; ++g) out_.close();
    if (top.kind == Kind::Pre) --preDepth_;
    if (top.kind == Kind::List || top.kind == Kind::Quote) --indentLevel_;
    const Kind kind = top.kind;
    open_.pop_back();
    if (kind != Kind::Style && kind != Kind::Link && kind != Kind::Cell) paragraphBreak();
  }

  // An end tag closes its element and every element opened inside it; an end tag with no
  // element open is passed over.
  void end(const std::string& name) {
    for (std::size_t k = open_.size(); k > 0; --k) {
      if (open_[k - 1].name != name) continue;
      while (open_.size() >= k) pop();
      return;
    }
    if (name == "p" || name == "br") paragraphBreak();  // "</p>" alone still ends a paragraph
  }

  void closeUpTo(Kind kind) {
    for (std::size_t k = open_.size(); k > 0; --k) {
      if (open_[k - 1].kind == Kind::List || open_[k - 1].kind == Kind::Quote) return;
      if (open_[k - 1].kind != kind) continue;
      while (open_.size() >= k) pop();
      return;
    }
  }

  void style(const std::string& name, std::string_view word) {
    if (open_.size() >= kMaxOpen) return;
    out_.open();
    out_.control(word);
    push({name, Kind::Style, 1});
  }

  void heading(const std::string& name) {
    static constexpr long kSizes[] = {32, 28, 26, 24, 20, 20};  // half-points, h1 to h6
    paragraphBreak();
    if (open_.size() >= kMaxOpen) return;
    out_.open();
    out_.control("b");
    out_.control("fs", kSizes[name[1] - '1']);
    push({name, Kind::Heading, 1});
  }

  void link(const HtmlTag& tag) {
    for (const Open& o : open_)
      if (o.kind == Kind::Link) return;  // links do not nest
    if (tag.href.empty() || tag.href[0] == u'#' || open_.size() >= kMaxOpen) return;
    separate();
    std::u16string target;
    for (char16_t c : tag.href) {
      if (c == u'"') target += u"%22";
      else if (!isSpace(c)) target += c;
    }
    out_.open();
    out_.control("field");
    out_.open();
    out_.raw("\\*");
    out_.control("fldinst");
    out_.open();
    out_.text(u"HYPERLINK \"" + target + u"\"");
    out_.close();
    out_.close();
    out_.open();
    out_.control("fldrslt");
    out_.open();
    out_.control("ul");
    out_.control("cf", 2);
    push({"a", Kind::Link, 3});
  }

  void item(const std::string& name) {
    closeUpTo(Kind::Item);
    paragraphBreak();
    Open* list = nullptr;
    for (std::size_t k = open_.size(); k > 0; --k)
      if (open_[k - 1].kind == Kind::List) {
        list = &open_[k - 1];
        break;
      }
    std::u16string marker;
    if (name == "li") {
      if (list && list->ordered) {
        const std::string n = std::to_string(list->number++) + ".";
        marker.assign(n.begin(), n.end());
      } else {
        marker = u"\u2022";
      }
    }
    if (markerOnly_) forceBreak();  // the item before stayed empty
    push({name, Kind::Item});
    hanging_ = !marker.empty();
    startLine();
    if (!marker.empty()) {
      out_.text(marker);
      out_.control("tab");
      lineEmpty_ = false;
      markerOnly_ = true;
    }
    pendingSpace_ = false;
  }

  void cell(const std::string& name) {
    closeUpTo(Kind::Cell);
    if (cellsInRow_++ > 0) {
      startLine();
      out_.control("tab");
    }
    pendingSpace_ = false;
    if (open_.size() >= kMaxOpen) return;
    int groups = 0;
    if (name == "th") {
      out_.open();
      out_.control("b");
      groups = 1;
    }
    push({name, Kind::Cell, groups});
  }

  void preformatted(std::u16string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && text[i] != u'\n' && text[i] != u'\r') continue;
      if (i > start) {
        startLine();
        out_.text(text.substr(start, i - start));
        lineEmpty_ = false;
        markerOnly_ = false;
      }
      if (i < text.size() && text[i] == u'\n') lineBreak();
      start = i + 1;
    }
  }

  // A new paragraph, unless the current one is still empty (or holds only a list marker,
  // as in "<li><p>text</p></li>").
  void paragraphBreak() {
    pendingSpace_ = false;
    if (lineEmpty_ || markerOnly_) return;
    forceBreak();
  }

  void forceBreak() {
    out_.control("par");
    out_.raw("\r\n");
    lineEmpty_ = true;
    markerOnly_ = false;
    hanging_ = false;
  }

  void lineBreak() {
    startLine();
    out_.control("line");
    pendingSpace_ = false;
    lineEmpty_ = false;  // a second break makes an empty line
    markerOnly_ = false;
    afterLineBreak_ = true;
  }

  // Before text: the paragraph's indent when it starts, and one space for the white space
  // before the text unless a line starts here.
  void separate() {
    const bool space = pendingSpace_ && !lineEmpty_ && !afterLineBreak_;
    startLine();
    if (space) out_.text(u" ");
    pendingSpace_ = false;
  }

  // Before the first text of a paragraph: its indent, when that changed; list items hang
  // their marker in front of the indent.
  void startLine() {
    const long indent = indentLevel_ * kIndentStep;
    const bool hanging = hanging_ && indent > 0;
    if (lineEmpty_ && (indent != appliedIndent_ || hanging != appliedHanging_)) {
      out_.control("pard");
      out_.control("sa", kSpaceAfter);
      if (indent > 0) {
        out_.control("li", indent);
        if (hanging) out_.control("fi", -kIndentStep);
        out_.control("tx", indent);
      }
      appliedIndent_ = indent;
      appliedHanging_ = hanging;
    }
    afterLineBreak_ = false;
  }

  RtfText& out_;
  const int baseDepth_;
  std::vector<Open> open_;
  int preDepth_ = 0;
  long indentLevel_ = 0;
  long appliedIndent_ = 0;
  int cellsInRow_ = 0;
  bool lineEmpty_ = true;
  bool pendingSpace_ = false;
  bool afterLineBreak_ = false;
  bool markerOnly_ = false;
  bool hanging_ = false;
  bool appliedHanging_ = false;
};

}  // namespace

void renderHtml(std::u16string_view html, RtfText& out) {
  Renderer renderer(out);
  readHtml(html, renderer);
  renderer.finish();
}

}  // namespace qm::mail::rtf
