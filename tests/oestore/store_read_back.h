// Reading a store we wrote back, for the tests: every mail through the index, the
// structural check, and the raw scan of the same file.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "oestore/message_info.h"

namespace oe::test {

struct StoreContents {
  std::vector<std::string> mails;  // through the index, in tree order
  std::vector<MessageInfo> records;
  std::vector<std::string> problems;  // the index reader's, the chains' and the checker's
};
StoreContents readBackStore(const std::string& path);

// The store at `path` holds exactly `mails`, in this order, through its index and by the
// raw scan; it passes the structural check; each record's subject, sender and sent date
// are those of its mail.
::testing::AssertionResult storeHolds(const std::string& path, const std::vector<std::string>& mails);

// The same for stores too large to hold their mails in memory: mail m's text is `mail(m)`.
// The raw scan's mails are written one at a time and compared.
::testing::AssertionResult largeStoreHolds(const std::string& path, const std::function<std::string(std::size_t)>& mail,
                                           std::size_t count);

}  // namespace oe::test
