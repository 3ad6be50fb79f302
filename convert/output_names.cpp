#include "convert/output_names.h"

#include "convert/save_option.h"
#include "platform/files.h"

namespace qm::convert {

std::string baseNameOf(const std::string& fileName) {
  const auto at = fileName.find(".dbx");
  if (at == std::string::npos) return fileName;
  return fileName.substr(0, at) + fileName.substr(at + 4);
}

std::string outputFolderPath(const std::string& destination, const OutputNaming& naming,
                             std::int32_t runningNumber, const std::string& baseName,
                             std::int32_t saveOption) {
  std::string path = destination + platform::pathSeparator();
  if (naming.useFileCounter) path += std::to_string(runningNumber) + "_";
  if (naming.useFolderTag) path += naming.folderTag + "_";
  path += baseName;
  if (naming.useTypeTag) path += typeTag(saveOption);
  return path;
}

bool folderTagEscapes(const std::string& tag) {
  return tag.find_first_of("/\\") != std::string::npos || tag.find("..") != std::string::npos;
}

std::string fileStamp(int fileIndex, const platform::Stamp& s) {
  using std::to_string;
  return to_string(fileIndex) + "_(DATE=" + to_string(s.month) + "-" + to_string(s.day) + "-" +
         to_string(s.year) + ")_(TIME=" + to_string(s.hour) + "hr." + to_string(s.minute) +
         "m." + to_string(s.second) + "s)";
}

std::string tempFolderPath(const std::string& tempRoot, const std::string& baseName,
                           int fileIndex, const platform::Stamp& stamp) {
  return tempRoot + "Tarnwick_Converted_" + baseName + "_" + fileStamp(fileIndex, stamp);
}

std::string cutForScanLine(const std::string& text) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A character starts at every byte that is not a UTF-8 continuation byte.
    const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts && chars++ == kScanLineWidth) return text.substr(0, i);
  }
  return text;
}

}  // namespace qm::convert
