#include "mailstore/mime/content_type.h"

#include <algorithm>
#include <map>

#include "mailstore/mime/header_block.h"
#include "mailstore/mime/header_tokens.h"
#include "mailstore/mime/transfer_encoding.h"
#include "platform/charset.h"

namespace qm::mail::mime {

namespace {

// One `name=value` as it stood, before RFC 2231 sections are put together.
struct RawParam {
  std::string name;
  std::string value;
};

// An unquoted value runs to the next ';' (blanks inside kept: careless mailers wrote file
// names with spaces unquoted); a comment ends it.
std::string readToken(std::string_view s, std::size_t& i) {
  const std::size_t start = i;
  while (i < s.size() && s[i] != ';' && s[i] != '(') ++i;
  std::string out(trimBlanks(s.substr(start, i - start)));
  if (i < s.size() && s[i] == '(') {
    readComment(s, i);
    while (i < s.size() && s[i] != ';') ++i;
  }
  return out;
}

std::vector<RawParam> readRawParams(std::string_view s, std::size_t i) {
  std::vector<RawParam> params;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ';' || isBlank(s[i]))) ++i;
    if (i < s.size() && s[i] == '(') {
      readComment(s, i);
      continue;
    }
    const std::size_t nameStart = i;
    while (i < s.size() && s[i] != '=' && s[i] != ';') ++i;
    if (i >= s.size() || s[i] == ';') continue;  // a word without '=': nothing to keep
    RawParam p{toLower(trimBlanks(s.substr(nameStart, i - nameStart))), {}};
    ++i;
    while (i < s.size() && isBlank(s[i])) ++i;
    if (i < s.size() && s[i] == '"') {
      p.value = readQuotedString(s, i);
      while (i < s.size() && s[i] != ';') ++i;
    } else {
      p.value = readToken(s, i);
    }
    if (!p.name.empty()) params.push_back(std::move(p));
  }
  return params;
}

std::string percentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// Splits "name*2*" into base name, section number (-1 when none) and the extended mark.
void splitParamName(const std::string& full, std::string& base, int& section, bool& extended) {
  std::string n = full;
  extended = !n.empty() && n.back() == '*';
  if (extended) n.pop_back();
  section = -1;
  const std::size_t star = n.find('*');
  if (star != std::string::npos) {
    const std::string digits = n.substr(star + 1);
    if (!digits.empty() && digits.size() <= 4 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      section = std::stoi(digits);
      n.resize(star);
    }
  }
  base = n;
}

struct Section {
  std::string value;
  bool extended = false;
};

// RFC 2231 sections 3 and 4: "name*0*=charset'lang'%XX..", "name*1*=..", "name*=..".
MimeParam joinSections(const std::string& name, const std::map<int, Section>& sections) {
  MimeParam p;
  p.name = name;
  bool first = true;
  for (const auto& [index, section] : sections) {
    std::string_view v = section.value;
    if (section.extended) {
      p.extended = true;
      if (first) {
        const std::size_t q1 = v.find('\'');
        const std::size_t q2 = q1 == std::string_view::npos ? q1 : v.find('\'', q1 + 1);
        if (q2 != std::string_view::npos) {
          p.charset = std::string(v.substr(0, q1));
          v = v.substr(q2 + 1);
        }
      }
      p.value += percentDecode(v);
    } else {
      p.value += v;
    }
    first = false;
  }
  return p;
}

}  // namespace

const MimeParam* ParameterizedValue::param(std::string_view name) const {
  for (const MimeParam& p : params) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

std::string ParameterizedValue::paramValue(std::string_view name) const {
  const MimeParam* p = param(name);
  return p ? p->value : std::string();
}

ParameterizedValue parseParameterizedValue(std::string_view s) {
  ParameterizedValue out;
  std::size_t i = 0;
  std::string token;
  while (i < s.size() && s[i] != ';') {
    if (s[i] == '(') {
      readComment(s, i);
      continue;
    }
    if (s[i] == '"') {
      token += readQuotedString(s, i);
      continue;
    }
    if (!isBlank(s[i])) token.push_back(s[i]);
    ++i;
  }
  out.token = toLower(token);

  // Plain parameters keep their first value; RFC 2231 forms replace a plain one.
  std::vector<std::string> order;
  std::map<std::string, std::map<int, Section>> sectioned;
  std::map<std::string, std::string> plain;
  for (RawParam& raw : readRawParams(s, i)) {
    std::string base;
    int section = -1;
    bool extended = false;
    splitParamName(raw.name, base, section, extended);
    if (base.empty()) continue;
    if (std::find(order.begin(), order.end(), base) == order.end()) order.push_back(base);
    if (section < 0 && !extended) {
      plain.emplace(base, std::move(raw.value));
    } else {
      sectioned[base].emplace(section < 0 ? 0 : section, Section{std::move(raw.value), extended});
    }
  }
  for (const std::string& base : order) {
    const auto s2231 = sectioned.find(base);
    if (s2231 != sectioned.end()) {
      out.params.push_back(joinSections(base, s2231->second));
    } else {
      out.params.push_back(MimeParam{base, plain[base], {}, false});
    }
  }
  return out;
}

std::u16string paramText(const MimeParam& param, CharsetLog& log) {
  if (param.extended) {
    log.note(param.charset);
    if (param.charset.empty()) return decodeRawHeaderBytes(param.value);
    return platform::toUtf16(param.value, param.charset);
  }
  return decodeHeaderText(param.value, log);
}

ContentType parseContentType(std::string_view unfolded, std::string_view fallbackType,
                             std::string_view fallbackSubtype) {
  ContentType ct;
  ct.value = parseParameterizedValue(unfolded);
  const std::size_t slash = ct.value.token.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == ct.value.token.size()) {
    ct.type = fallbackType;
    ct.subtype = fallbackSubtype;
  } else {
    ct.type = ct.value.token.substr(0, slash);
    ct.subtype = ct.value.token.substr(slash + 1);
  }
  return ct;
}

}  // namespace qm::mail::mime
