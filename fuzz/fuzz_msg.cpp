// The compound file reader and the message file checker on any bytes: the checks read
// untrusted files, so every fault must end in a finding, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mailstore/cfb/cfb_reader.h"
#include "mailstore/msg/msg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::Bytes bytes(data, size);
  std::vector<std::string> problems;
  qm::msg::ReadObject read;
  qm::msg::checkMessageFile(bytes, problems, &read, true);
  if (const auto cf = qm::cfb::CompoundFile::read(bytes, problems)) {
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < cf->entries().size() && i < 64; ++i) n += cf->stream(i).size() + cf->children(i).size();
    volatile std::size_t sink = n;
    (void)sink;
  }
  return 0;
}
