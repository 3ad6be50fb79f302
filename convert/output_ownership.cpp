#include "convert/output_ownership.h"

#include <string_view>

#include "convert/output_names.h"
#include "convert/save_option.h"

namespace qm::convert {

namespace {

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// "<head><six or more digits><tail>".
bool isNumbered(std::string_view name, std::string_view head, std::string_view tail) {
  if (name.size() < head.size() + tail.size() + 6 || !startsWith(name, head) || !endsWith(name, tail)) return false;
  const std::string_view digits = name.substr(head.size(), name.size() - head.size() - tail.size());
  for (const char c : digits)
    if (c < '0' || c > '9') return false;
  return true;
}

// A partial file ("<name>.partial" or "<name>.partial-N") left by a run that was killed.
std::string_view withoutPartialEnding(std::string_view name) {
  const auto at = name.rfind(".partial");
  if (at == std::string_view::npos) return name;
  const std::string_view rest = name.substr(at + 8);
  if (rest.empty()) return name.substr(0, at);
  if (rest[0] != '-' || rest.size() == 1) return name;
  for (const char c : rest.substr(1))
    if (c < '0' || c > '9') return name;
  return name.substr(0, at);
}

}  // namespace

std::string mailFileTitle(const std::string& fileName) {
  std::string title = fileName;
  for (int removed = 0; removed < 4 && !title.empty(); ++removed) {
    // Characters, not bytes: continuation bytes go with the byte that starts them.
    while (!title.empty() && (static_cast<unsigned char>(title.back()) & 0xC0) == 0x80) title.pop_back();
    if (!title.empty()) title.pop_back();
  }
  return title;
}

bool isOutputName(std::int32_t saveOption, const std::string& fileName, const std::string& entry) {
  const std::string_view name = withoutPartialEnding(entry);
  switch (saveOption) {
    case SAVEASEML: return isNumbered(name, mailFileTitle(fileName) + "_", ".eml");
    case SAVEASPST: return name == "Converted_" + baseNameOf(fileName) + ".pst";
    case SAVEASMSG: return isNumbered(name, "Converted_msg_", ".msg");
    case SAVEASRTF: return isNumbered(name, "Converted_msg_", ".rtf");
    case SAVEASDBX: return startsWith(name, "Tarnwick-Converted-DBX-") && endsWith(name, ".dbx");
    default: return false;
  }
}

bool isOutputFolderName(std::int32_t saveOption, const std::string& name) {
  return saveOption == SAVEASRTF && isNumbered(name, "Converted_msg_", "");
}

}  // namespace qm::convert
