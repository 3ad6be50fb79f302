// Our structural checker for personal folder files: what Outlook's repair tool looks at,
// checked on every file the tests write and on Outlook-written samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::pst {

struct CheckReport {
  std::vector<std::string> problems;
  std::uint64_t nodes = 0;
  std::uint64_t blocks = 0;
  std::uint64_t messages = 0;
  std::uint64_t folders = 0;
  std::uint64_t unusedBlocks = 0;  // blocks no node uses (allowed, with a count of one)
  bool ok() const { return problems.empty(); }
};

// Checks the header and its CRCs; every page's and block's trailer (type, signature, CRC,
// BID); key order in every B-tree page; that every block a node uses is in the block
// B-tree with the right size and a reference count of one more than its users; that the allocation maps mark exactly the pages and blocks in use
// and the free byte count agrees; that every mandatory node is present; that folder
// tables have one row per child with the child's own values, folder counts agree, and
// every message's size equals its node's size.
CheckReport checkPstFile(const std::string& path);

}  // namespace qm::pst
