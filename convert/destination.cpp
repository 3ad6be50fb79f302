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
  if (!platform::createDirectory(destination)) {
    for (const auto& entry : platform::listDirectory(destination)) {
      if (!entry.isDirectory)
        platform::deleteFile(destination + platform::pathSeparator() + entry.name);
    }
  }
  return platform::isDirectory(destination);
}

}  // namespace qm::convert
