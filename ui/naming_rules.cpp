#include "ui/naming_rules.h"

#include <cstdlib>
#include <string_view>

#include "convert/output_names.h"
#include "convert/save_option.h"

namespace qm::ui {

std::string namingTypeTag(std::int32_t saveOption) {
  switch (saveOption) {
    case convert::SAVEASEML: return "As_EML";
    case convert::SAVEASPST: return "As_PST";
    case convert::SAVEASMSG: return "As_MSG";
    case convert::SAVEASRTF: return "As_RTF";
    default: return "As_TYPE";
  }
}

std::string spacedEvery(std::string text, std::size_t step) {
  for (std::size_t at = 0; at < text.size(); at += step)
    if (text[at] != ' ') text.insert(at, 1, ' ');
  return text;
}

std::string namingPreview(const std::string& prefix, const NamingParts& parts) {
  std::string name;
  if (parts.useCounter) name += parts.counter + "_";
  if (parts.useFolderTag) name += parts.folderTag + "_";
  if (parts.useFileName) name += parts.fileName + "_";
  if (parts.useTypeTag) name += parts.typeTag;
  name += "\\...";
  return spacedEvery(prefix + "\n", 57) + spacedEvery(name, 56);
}

std::size_t characterCount(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

CounterCheck checkCounter(const std::string& text) {
  if (characterCount(text) > kCounterMaxDigits) return CounterCheck::TooLong;
  for (unsigned char c : text)
    if (c < '0' || c > '9') return CounterCheck::NotDigits;
  return CounterCheck::Accepted;
}

FolderTagCheck checkFolderTag(const std::string& text) {
  if (text.find_first_of(std::string_view("\\/:*?\"<>|")) != std::string::npos)
    return FolderTagCheck::ForbiddenCharacter;
  if (convert::folderTagEscapes(text)) return FolderTagCheck::ParentFolder;
  return characterCount(text) > kFolderTagMaxChars ? FolderTagCheck::TooLong
                                                    : FolderTagCheck::Accepted;
}

std::int32_t counterValue(const std::string& text) {
  return static_cast<std::int32_t>(std::atoi(text.c_str()));
}

}  // namespace qm::ui
