#include "tests/mailstore/corpus_support.h"

#include <algorithm>

#include "platform/files.h"

namespace qm::test {

std::string corpusFolder() { return std::string(QM_SOURCE_DIR) + "/tests/mailstore/corpus"; }

std::vector<std::string> corpusMails() {
  std::vector<std::string> mails;
  for (const platform::DirEntry& e : platform::listDirectory(corpusFolder())) {
    if (!e.isDirectory && e.name.ends_with(".eml")) mails.push_back(corpusFolder() + "/" + e.name);
  }
  std::sort(mails.begin(), mails.end());
  return mails;
}

}  // namespace qm::test
