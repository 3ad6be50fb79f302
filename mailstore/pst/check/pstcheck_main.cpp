// qm_pstcheck FILE...: checks the structure of personal folder files and prints what is
// wrong. Exit status 0 when every file is sound, 1 otherwise.
#include <cstdio>

#include "mailstore/pst/check/pst_checker.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qm_pstcheck FILE.pst...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const auto report = qm::pst::checkPstFile(argv[i]);
    for (const auto& p : report.problems) std::printf("%s: %s\n", argv[i], p.c_str());
    std::printf("%s: %s (%llu nodes, %llu blocks, %llu unused, %llu folders, %llu messages)\n", argv[i],
                report.ok() ? "sound" : "PROBLEMS", static_cast<unsigned long long>(report.nodes),
                static_cast<unsigned long long>(report.blocks),
                static_cast<unsigned long long>(report.unusedBlocks), static_cast<unsigned long long>(report.folders),
                static_cast<unsigned long long>(report.messages));
    if (!report.ok()) status = 1;
  }
  return status;
}
