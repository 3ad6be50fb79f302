#include "convert/destination.h"

#include "platform/files.h"

namespace qm::convert {

std::string stampedFolderName(const platform::Stamp& s) {
  using std::to_string;
  return "Tarnwick_Converted_DBX_(DATE=" + to_string(s.month) + "-" + to_string(s.day) + "-" +
         to_string(s.year) + ")_(TIME=" + to_string(s.hour) + "hr." + to_string(s.minute) +
         "m." + to_string(s.second) + "s)";
}

std::string stampedDestination(const std::string& chosenFolder, const platform::Stamp& stamp) {
  std::string path = chosenFolder;
  const bool endsWithSeparator = !path.empty() && (path.back() == platform::pathSeparator() ||
                                                   path.back() == '/');
  if (!endsWithSeparator) path += platform::pathSeparator();
  return path + stampedFolderName(stamp);
}

bool prepareDestination(const std::string& destination) {
  platform::createDirectory(destination);
  return platform::isDirectory(destination);
}

std::optional<std::string> makeNewFolder(const std::string& path) {
  for (int variant = 1; variant <= 1000; ++variant) {
    const std::string folder = variant == 1 ? path : path + "_" + std::to_string(variant);
    if (platform::createDirectory(folder)) return folder;
    if (!platform::fileExists(folder) && !platform::isDirectory(folder)) break;  // no parent
  }
  return std::nullopt;
}

}  // namespace qm::convert
