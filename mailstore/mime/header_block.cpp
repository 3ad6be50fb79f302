#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

namespace {

// A field name is printable US-ASCII without the colon (RFC 5322 section 2.2); blanks
// between the name and the colon are the obsolete syntax and are allowed.
bool splitFieldLine(std::string_view line, std::string_view& name, std::size_t& colon) {
  colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::size_t end = colon;
  while (end > 0 && isBlank(line[end - 1])) --end;
  if (end == 0) return false;
  for (std::size_t i = 0; i < end; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c <= 32 || c >= 127) return false;
  }
  name = line.substr(0, end);
  return true;
}

}  // namespace

HeaderBlock HeaderBlock::parse(std::string_view entity, bool isMessage) {
  HeaderBlock block;
  std::size_t pos = 0;
  if (isMessage && entity.starts_with("From ")) {
    const std::size_t nl = entity.find('\n');
    pos = nl == std::string_view::npos ? entity.size() : nl + 1;
  }
  const std::size_t textStart = pos;
  std::size_t textEnd = pos;
  std::size_t bodyStart = entity.size();
  const char* valueStart = nullptr;
  while (pos < entity.size()) {
    std::size_t nl = entity.find('\n', pos);
    const std::size_t next = nl == std::string_view::npos ? entity.size() : nl + 1;
    std::size_t lineEnd = nl == std::string_view::npos ? entity.size() : nl;
    if (lineEnd > pos && entity[lineEnd - 1] == '\r') --lineEnd;
    const std::string_view line = entity.substr(pos, lineEnd - pos);
    if (line.empty()) {
      bodyStart = next;
      break;
    }
    if (isBlank(line[0])) {
      // A continuation line; one before any field has nothing to continue and is dropped.
      if (!block.fields_.empty()) {
        block.fields_.back().value = std::string_view(valueStart, entity.data() + lineEnd - valueStart);
      }
      textEnd = next;
      pos = next;
      continue;
    }
    std::string_view name;
    std::size_t colon = 0;
    if (!splitFieldLine(line, name, colon)) {
      bodyStart = pos;
      break;
    }
    valueStart = line.data() + colon + 1;
    block.fields_.push_back({name, line.substr(colon + 1)});
    textEnd = next;
    pos = next;
  }
  block.text_ = entity.substr(textStart, textEnd - textStart);
  block.body_ = bodyStart < entity.size() ? entity.substr(bodyStart) : std::string_view();
  return block;
}

const HeaderField* HeaderBlock::find(std::string_view name) const {
  for (const HeaderField& f : fields_) {
    if (equalsIgnoringCase(f.name, name)) return &f;
  }
  return nullptr;
}

std::string HeaderBlock::value(std::string_view name) const {
  const HeaderField* f = find(name);
  return f ? unfold(f->value) : std::string();
}

std::string unfold(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  const std::string_view trimmed = trimBlanks(out);
  return std::string(trimmed);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string toLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string_view trimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

}  // namespace qm::mail::mime
