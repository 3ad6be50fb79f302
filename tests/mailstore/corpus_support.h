// The corpus of tricky mails under tests/mailstore/corpus: each NAME.eml beside its
// NAME.expect (the fields the reader must give, in the form of message_dump.h).
#pragma once

#include <string>
#include <vector>

namespace qm::test {

std::string corpusFolder();
// Full paths of the corpus mails, sorted by name.
std::vector<std::string> corpusMails();

}  // namespace qm::test
