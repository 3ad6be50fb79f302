// qm_msgcheck [--balanced] FILE...: checks message files; prints each fault and exits 1
// when a file has one. --balanced also asks for sibling trees balanced in black nodes, as
// our writer makes them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mailstore/msg/msg_reader.h"

int main(int argc, char** argv) {
  int status = 0;
  bool balanced = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--balanced") {
      balanced = true;
      continue;
    }
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> problems;
    if (!qm::msg::checkMessageFile(bytes, problems, nullptr, balanced)) status = 1;
    std::printf("%s: %s\n", argv[i], problems.empty() ? "sound" : "FAULTY");
    for (const auto& p : problems) std::printf("  %s\n", p.c_str());
  }
  return status;
}
