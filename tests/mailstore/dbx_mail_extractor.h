// Gets the mails out of an Outlook Express store for the tests, by the plainest reading of
// its message blocks (528 bytes: self offset, 0x200, used length, next offset, data),
// independent of the engine: a block must stand at its own stored offset, and chains start
// at blocks that no other block points to.
#pragma once

#include <string>
#include <vector>

namespace qm::test {

std::vector<std::string> extractDbxMails(const std::string& dbxPath);

}  // namespace qm::test
