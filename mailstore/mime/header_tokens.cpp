#include "mailstore/mime/header_tokens.h"

#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

std::string readQuotedString(std::string_view s, std::size_t& i) {
  std::string text;
  for (++i; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      text.push_back(s[++i]);
    } else if (s[i] == '"') {
      ++i;
      break;
    } else {
      text.push_back(s[i]);
    }
  }
  return text;
}

std::string readComment(std::string_view s, std::size_t& i) {
  std::string text;
  int depth = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      text.push_back(s[++i]);
    } else if (c == '(') {
      if (depth++ > 0) text.push_back(c);
    } else if (c == ')') {
      if (--depth == 0) {
        ++i;
        break;
      }
      text.push_back(c);
    } else {
      text.push_back(c);
    }
  }
  return std::string(trimBlanks(text));
}

}  // namespace qm::mail::mime
