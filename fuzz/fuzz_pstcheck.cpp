// The personal folder file checker on any bytes. It reads a file by its path, so each input
// is written to a file of its own in the temporary folder first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "mailstore/pst/check/pst_checker.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = qm::platform::tempFolder() + "qm_fuzz_pstcheck_" + std::to_string(reinterpret_cast<std::uintptr_t>(&path)) + ".pst";
  std::FILE* file = qm::platform::openFile(path, "wb");
  if (!file) return 0;
  const bool written = std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  if (!written) return 0;
  const qm::pst::CheckReport report = qm::pst::checkPstFile(path);
  volatile std::size_t sink = report.problems.size() + report.messages;
  (void)sink;
  return 0;
}
