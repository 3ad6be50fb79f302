#include "oestore/message_text.h"

#include <array>
#include <unordered_set>

#include "engine/dbx_format.h"

namespace oe {

ChainRead readChain(StoreSource& source, std::uint32_t first) {
  ChainRead out;
  std::unordered_set<std::uint32_t> seen;
  std::array<std::uint8_t, dbx::kBlockLength> block{};
  for (std::uint32_t at = first; at != 0;) {
    const std::string where = "block at " + std::to_string(at);
    if (!seen.insert(at).second) {
      out.problems.push_back(where + ": reached twice in one chain");
      break;
    }
    if (!source.contains(at, block.size()) || !source.read(at, block)) {
      out.problems.push_back(where + ": outside the file");
      break;
    }
    const dbx::BlockHeader h = dbx::readBlockHeader(block.data());
    if (h.selfOffset != at) out.problems.push_back(where + ": self field is " + std::to_string(h.selfOffset));
    if (h.dataAreaSize != dbx::kDataAreaSize) {
      out.problems.push_back(where + ": data area of " + std::to_string(h.dataAreaSize) + " bytes");
      break;
    }
    if (h.usedLength < 1 || h.usedLength > dbx::kDataAreaSize) {
      out.problems.push_back(where + ": " + std::to_string(h.usedLength) + " bytes used");
      break;
    }
    if (h.nextOffset != 0 && h.usedLength != dbx::kDataAreaSize)
      out.problems.push_back(where + ": not full but followed by another block");
    if (out.text.size() + h.usedLength > source.size()) {
      out.problems.push_back(where + ": the chain holds more text than the file");
      break;
    }
    out.blocks.push_back(at);
    out.text.append(reinterpret_cast<const char*>(block.data() + dbx::kBlockHeaderLength), h.usedLength);
    at = h.nextOffset;
  }
  return out;
}

}  // namespace oe
