// Fuzzes the index reader and the structural check on arbitrary bytes: the header, the tree
// walk, the records and every mail's block chain.
#include <cstddef>
#include <cstdint>

#include "oestore/store_checker.h"
#include "oestore/store_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  oe::MemorySource source({data, size});
  const oe::MessageIndex index = oe::readMessageIndex(source);
  std::size_t text = 0;
  // As a caller would: the chains of a sound store hold no more text than the file.
  for (const oe::IndexedMail& mail : index.mails) {
    if (text > size) break;
    text += oe::readChain(source, mail.info.firstBlock).text.size();
  }
  const oe::StoreCheck check = oe::checkMessageStore(source);
  // Any tree of a folder list too.
  const oe::StoreHeader header = oe::readStoreHeader(source);
  for (std::uint32_t t = 0; t < header.treeCount && t < oe::kMaxTrees; ++t)
    text += oe::walkTree(source, header.treeRoots[t], header.treeCounts[t]).values.size();
  return static_cast<int>((text + check.problems.size()) & 0);
}
