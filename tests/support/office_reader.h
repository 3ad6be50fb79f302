// Rich-text files as a word processor reads them: LibreOffice, headless, converts a batch of
// files to UTF-8 text or to pictures of their first page in one call (it takes seconds to
// start, so callers gather their files). Runs in a profile of its own under `work`, so that
// several runs at once do not meet.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qm::test {

struct OfficeResult {
  bool available = false;  // LibreOffice is installed here (not on Windows)
  // Per input path: the converted file's contents; missing when LibreOffice made none.
  std::map<std::string, std::string> outputs;
  std::string log;  // what LibreOffice printed
};

// `filter` as --convert-to takes it: "txt:Text (encoded):UTF8", "png".
OfficeResult officeConvert(const std::vector<std::string>& files, const std::string& filter,
                           const std::string& work);

// The UTF-8 text of each file.
inline OfficeResult officeText(const std::vector<std::string>& files, const std::string& work) {
  return officeConvert(files, "txt:Text (encoded):UTF8", work);
}

}  // namespace qm::test
