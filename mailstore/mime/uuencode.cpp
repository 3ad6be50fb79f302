#include "mailstore/mime/uuencode.h"

#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

namespace {

struct Line {
  std::string_view text;  // without the line end
  std::size_t next;       // where the following line starts
};

Line lineAt(std::string_view s, std::size_t pos) {
  std::size_t nl = s.find('\n', pos);
  const std::size_t next = nl == std::string_view::npos ? s.size() : nl + 1;
  std::size_t end = nl == std::string_view::npos ? s.size() : nl;
  if (end > pos && s[end - 1] == '\r') --end;
  return {s.substr(pos, end - pos), next};
}

// "begin 644 name": a mode of three or four octal digits and a name.
bool isBeginLine(std::string_view line, std::string& name) {
  if (!line.starts_with("begin ")) return false;
  std::size_t i = 6;
  const std::size_t modeStart = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '7') ++i;
  const std::size_t modeLength = i - modeStart;
  if (modeLength < 3 || modeLength > 4 || i >= line.size() || line[i] != ' ') return false;
  const std::string_view n = trimBlanks(line.substr(i + 1));
  if (n.empty()) return false;
  name = std::string(n);
  return true;
}

// Decodes one data line; false when the line is not one. Encoders and mail transports
// that stripped trailing blanks left lines short (the missing characters stand for zero
// bits), and some encoders added a checksum character: both are accepted.
bool decodeLine(std::string_view line, std::vector<std::uint8_t>& out, bool& isTerminator) {
  isTerminator = false;
  if (line.empty() || line[0] < 0x20 || line[0] > 0x60) return false;
  const auto length = static_cast<std::size_t>((line[0] - 0x20) & 0x3F);
  if (length == 0) {
    isTerminator = true;
    return line.size() <= 2;
  }
  const std::size_t full = (length + 2) / 3 * 4;
  if (line.size() < 2 || line.size() - 1 > full + 1) return false;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] < 0x20 || line[i] > 0x60) return false;
  }
  auto sextet = [&](std::size_t i) -> std::uint32_t {
    return i < line.size() ? static_cast<std::uint32_t>((line[i] - 0x20) & 0x3F) : 0;
  };
  std::size_t written = 0;
  for (std::size_t i = 1; written < length; i += 4) {
    const std::uint32_t v =
        (sextet(i) << 18) | (sextet(i + 1) << 12) | (sextet(i + 2) << 6) | sextet(i + 3);
    for (int k = 2; k >= 0 && written < length; --k, ++written) {
      out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
  }
  return true;
}

// Reads data lines from `pos`; returns where the block ends (after "end" when present).
// True in `complete` when the end line was found; `lines` counts the data lines read.
std::size_t readBlock(std::string_view s, std::size_t pos, std::vector<std::uint8_t>& data,
                      std::size_t& lines, bool& complete) {
  lines = 0;
  complete = false;
  std::size_t afterData = pos;
  while (pos < s.size()) {
    const Line line = lineAt(s, pos);
    if (trimBlanks(line.text) == "end") {
      complete = true;
      return line.next;
    }
    bool terminator = false;
    if (!decodeLine(line.text, data, terminator)) break;
    pos = line.next;
    afterData = pos;
    if (!terminator) ++lines;
  }
  return afterData;
}

}  // namespace

bool extractUuencoded(std::string_view text, std::string& remaining, std::vector<UuFile>& files) {
  bool found = false;
  std::string kept;
  std::size_t copiedTo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t at = text.find("begin ", pos);
    if (at == std::string_view::npos) break;
    if (at > 0 && text[at - 1] != '\n') {
      pos = at + 6;
      continue;
    }
    const Line begin = lineAt(text, at);
    UuFile file;
    std::size_t lines = 0;
    if (!isBeginLine(begin.text, file.name)) {
      pos = begin.next;
      continue;
    }
    bool complete = false;
    const std::size_t end = readBlock(text, begin.next, file.data, lines, complete);
    if (lines == 0 && !complete) {
      pos = begin.next;
      continue;
    }
    kept.append(text.substr(copiedTo, at - copiedTo));
    copiedTo = end;
    pos = end;
    files.push_back(std::move(file));
    found = true;
  }
  if (!found) return false;
  kept.append(text.substr(copiedTo));
  remaining = std::move(kept);
  return true;
}

void decodeUuBody(std::string_view text, std::vector<std::uint8_t>& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Line line = lineAt(text, pos);
    std::string name;
    if (isBeginLine(line.text, name)) {
      std::size_t lines = 0;
      bool complete = false;
      readBlock(text, line.next, out, lines, complete);
      return;
    }
    pos = line.next;
  }
  std::size_t lines = 0;
  bool complete = false;
  readBlock(text, 0, out, lines, complete);
}

}  // namespace qm::mail::mime
