// Charset names and the choice of decoder.
#include "platform/charset.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/charset_codecs.h"

namespace qm::platform {

namespace {

struct Alias {
  std::string_view name;
  std::string_view canonical;
};

// Names that mail software wrote for the same charset.
constexpr std::array kAliases{
    Alias{"utf8", "utf-8"},
    Alias{"unicode-1-1-utf-8", "utf-8"},
    Alias{"x-unicode20utf8", "utf-8"},
    Alias{"utf7", "utf-7"},
    Alias{"unicode-1-1-utf-7", "utf-7"},
    Alias{"x-unicode-2-0-utf-7", "utf-7"},
    Alias{"csunicode11utf7", "utf-7"},
    Alias{"ucs-2", "utf-16"},
    Alias{"unicode", "utf-16le"},
    Alias{"ascii", "us-ascii"},
    Alias{"us", "us-ascii"},
    Alias{"ansi_x3.4-1968", "us-ascii"},
    Alias{"iso646-us", "us-ascii"},
    Alias{"646", "us-ascii"},
    Alias{"latin1", "iso-8859-1"},
    Alias{"latin-1", "iso-8859-1"},
    Alias{"l1", "iso-8859-1"},
    Alias{"cp819", "iso-8859-1"},
    Alias{"iso-ir-100", "iso-8859-1"},
    Alias{"latin2", "iso-8859-2"},
    Alias{"latin-2", "iso-8859-2"},
    Alias{"latin9", "iso-8859-15"},
    Alias{"latin-9", "iso-8859-15"},
    Alias{"shift-jis", "shift_jis"},
    Alias{"sjis", "shift_jis"},
    Alias{"x-sjis", "shift_jis"},
    Alias{"ms_kanji", "shift_jis"},
    Alias{"csshiftjis", "shift_jis"},
    Alias{"windows-31j", "shift_jis"},
    Alias{"x-euc-jp", "euc-jp"},
    Alias{"ks_c_5601-1987", "cp949"},
    Alias{"ks_c_5601", "cp949"},
    Alias{"ks_c_5601-1989", "cp949"},
    Alias{"korean", "cp949"},
    Alias{"uhc", "cp949"},
    Alias{"gb2312", "gbk"},
    Alias{"x-gbk", "gbk"},
    Alias{"cp936", "gbk"},
    Alias{"euc-cn", "gbk"},
    Alias{"x-euc-cn", "gbk"},
    Alias{"x-x-big5", "big5"},
    Alias{"cn-big5", "big5"},
    Alias{"csbig5", "big5"},
    Alias{"ibm437", "cp437"},
    Alias{"ibm850", "cp850"},
    Alias{"ibm852", "cp852"},
    Alias{"ibm866", "cp866"},
    Alias{"mac", "macintosh"},
    Alias{"x-mac-roman", "macintosh"},
    Alias{"tis-620", "windows-874"},
    Alias{"cp874", "windows-874"},
    Alias{"iso-8859-11", "windows-874"},
    Alias{"koi8r", "koi8-r"},
    Alias{"koi8u", "koi8-u"},
};

// Labels that name no charset at all; the text is read as windows-1252.
constexpr std::array<std::string_view, 7> kNoCharset{
    "", "default", "x-user-defined", "unknown", "unknown-8bit", "x-unknown", "8bit"};

std::string lowerTrimmed(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (c == '"' || c == '\'' || std::isspace(static_cast<unsigned char>(c))) continue;
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

// "iso8859-2", "iso_8859-2", "iso_8859-2:1987" -> "iso-8859-2".
std::string foldIsoName(std::string name) {
  for (std::string_view head : {"iso8859-", "iso_8859-", "iso8859_", "iso-8859_"}) {
    if (name.starts_with(head)) {
      name = "iso-8859-" + name.substr(head.size());
      break;
    }
  }
  if (name.starts_with("iso-8859-")) {
    const std::size_t colon = name.find(':');
    if (colon != std::string::npos) name.resize(colon);
  }
  return name;
}

// "cp1250", "x-cp1250", "win-1250", "windows1250" -> "windows-1250".
std::string foldWindowsName(std::string name) {
  for (std::string_view head : {"x-cp", "cp", "win-", "windows"}) {
    if (name.starts_with(head)) {
      const std::string rest = name.substr(head.size());
      if (rest.size() == 4 && rest.starts_with("125") && std::isdigit(static_cast<unsigned char>(rest[3])))
        return "windows-" + rest;
    }
  }
  return name;
}

bool isFallbackName(std::string_view canonical) {
  return std::find(kNoCharset.begin(), kNoCharset.end(), canonical) != kNoCharset.end();
}

// Decoded here on every platform, the same way everywhere.
bool isBuiltIn(std::string_view c) {
  return c == "utf-8" || c == "utf-7" || c == "utf-16" || c == "utf-16le" || c == "utf-16be" ||
         c == "us-ascii" || c == "iso-8859-1" || c == "windows-1252";
}

}  // namespace

std::string canonicalCharset(std::string_view name) {
  std::string c = lowerTrimmed(name);
  // A language tag may follow the charset in encoded words ("utf-8*en").
  const std::size_t star = c.find('*');
  if (star != std::string::npos) c.resize(star);
  c = foldWindowsName(foldIsoName(std::move(c)));
  for (const Alias& a : kAliases) {
    if (c == a.name) return std::string(a.canonical);
  }
  return c;
}

bool isKnownCharset(std::string_view name) {
  const std::string c = canonicalCharset(name);
  if (isFallbackName(c)) return false;
  return isBuiltIn(c) || codecs::systemKnows(c);
}

std::u16string toUtf16(std::string_view bytes, std::string_view charset) {
  std::u16string out;
  const std::string c = canonicalCharset(charset);
  // Latin-1 and US-ASCII labels are read as their superset windows-1252: the bytes 0x80 to
  // 0x9F in such mail are the quotes and dashes of windows-1252, not control characters.
  if (c == "utf-8") {
    codecs::appendUtf8(bytes, out);
  } else if (c == "utf-7") {
    codecs::appendUtf7(bytes, out);
  } else if (c == "utf-16" || c == "utf-16le" || c == "utf-16be") {
    codecs::appendUtf16(bytes, c != "utf-16le", c == "utf-16", out);
  } else if (isFallbackName(c) || isBuiltIn(c) || !codecs::appendSystem(c, bytes, out)) {
    codecs::appendWindows1252(bytes, out);
  }
  return out;
}

std::u16string windows1252ToUtf16(std::string_view bytes) {
  std::u16string out;
  codecs::appendWindows1252(bytes, out);
  return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  codecs::appendUtf8(utf8, out);
  return out;
}

}  // namespace qm::platform
