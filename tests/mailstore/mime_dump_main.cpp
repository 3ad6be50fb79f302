// Prints what the reader makes of .eml files, in the corpus expectation form: the tool for
// writing and checking expectations by hand.
#include <cstdio>

#include "mailstore/mime/mime_reader.h"
#include "tests/mailstore/message_dump.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const auto message = qm::mail::readMimeFile(argv[i]);
    if (!message) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    if (argc > 2) std::printf("== %s\n", argv[i]);
    for (const auto& [key, value] : qm::test::dumpMessage(*message)) {
      std::printf("%s: %s\n", key.c_str(), value.c_str());
    }
  }
  return 0;
}
