#include "mailstore/mime/multipart.h"

#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

namespace {

struct Delimiter {
  std::size_t start = 0;  // where "--boundary" begins
  std::size_t next = 0;   // where the line after it begins
  bool close = false;
};

// The delimiter at `at` (which begins a line): "--" boundary, "--" for the close delimiter,
// then only blanks up to the line end.
bool delimiterAt(std::string_view body, std::size_t at, std::string_view boundary, Delimiter& d) {
  std::size_t i = at + 2 + boundary.size();
  d.start = at;
  d.close = body.substr(i, 2) == "--";
  if (d.close) i += 2;
  while (i < body.size() && isBlank(body[i])) ++i;
  if (i < body.size() && body[i] == '\r') ++i;
  if (i < body.size() && body[i] != '\n') return false;
  d.next = i < body.size() ? i + 1 : i;
  return true;
}

bool findDelimiter(std::string_view body, std::size_t from, const std::string& dashed,
                   std::string_view boundary, Delimiter& d) {
  std::size_t at = body.find(dashed, from);
  while (at != std::string_view::npos) {
    if ((at == 0 || body[at - 1] == '\n') && delimiterAt(body, at, boundary, d)) return true;
    at = body.find(dashed, at + 1);
  }
  return false;
}

// A part ends before the line break that precedes the next delimiter.
std::string_view partBetween(std::string_view body, std::size_t start, std::size_t delimiter) {
  std::size_t end = delimiter;
  if (end > start && body[end - 1] == '\n') --end;
  if (end > start && body[end - 1] == '\r') --end;
  return body.substr(start, end > start ? end - start : 0);
}

}  // namespace

std::vector<std::string_view> splitMultipart(std::string_view body, std::string_view boundary,
                                             std::size_t maxParts) {
  std::vector<std::string_view> parts;
  if (boundary.empty() || maxParts == 0) return parts;
  const std::string dashed = "--" + std::string(boundary);
  Delimiter d;
  if (!findDelimiter(body, 0, dashed, boundary, d)) return parts;
  while (!d.close) {
    const std::size_t start = d.next;
    Delimiter following;
    const bool found = findDelimiter(body, start, dashed, boundary, following);
    if (!found || (parts.size() + 1 == maxParts && !following.close)) {
      parts.push_back(body.substr(start));
      break;
    }
    parts.push_back(partBetween(body, start, following.start));
    d = following;
  }
  return parts;
}

std::string guessBoundary(std::string_view body) {
  std::size_t pos = 0;
  for (int lineNo = 0; lineNo < 200 && pos < body.size(); ++lineNo) {
    std::size_t nl = body.find('\n', pos);
    const std::size_t next = nl == std::string_view::npos ? body.size() : nl + 1;
    std::size_t end = nl == std::string_view::npos ? body.size() : nl;
    if (end > pos && body[end - 1] == '\r') --end;
    std::string_view line = trimBlanks(body.substr(pos, end - pos));
    if (line.size() > 2 && line.starts_with("--") && line.find(' ') == std::string_view::npos) {
      // What follows must look like the start of a body part.
      const std::size_t fieldEnd = body.find('\n', next);
      const std::string_view following =
          body.substr(next, (fieldEnd == std::string_view::npos ? body.size() : fieldEnd) - next);
      const std::size_t colon = following.find(':');
      const bool looksLikePart = trimBlanks(following).empty() || following == "\r" ||
                                 (colon != std::string_view::npos && colon > 0 &&
                                  following.substr(0, colon).find(' ') == std::string_view::npos);
      if (looksLikePart) {
        std::string_view b = line.substr(2);
        if (b.size() > 2 && b.ends_with("--")) b.remove_suffix(2);  // a close delimiter met first
        return std::string(b);
      }
    }
    pos = next;
  }
  return std::string();
}

}  // namespace qm::mail::mime
