#include "tests/mailstore/rtf/rtf_check.h"

#include <cstdlib>

#include "tests/support/files.h"

namespace qm::mail::rtf {

namespace {

struct Walk {
  int depth = 0;
  int deepest = 0;
  std::string problem;
};

Walk walk(const std::string& rtf) {
  Walk w;
  for (std::size_t i = 0; i < rtf.size() && w.problem.empty(); ++i) {
    const unsigned char c = static_cast<unsigned char>(rtf[i]);
    if (c >= 0x80) w.problem = "an 8-bit byte at " + std::to_string(i);
    if (c == '\\') {
      ++i;  // an escaped character or the first letter of a control word
    } else if (c == '{') {
      if (++w.depth > w.deepest) w.deepest = w.depth;
    } else if (c == '}') {
      if (--w.depth < 0) w.problem = "a group closed that was never opened, at " + std::to_string(i);
    }
  }
  if (w.problem.empty() && w.depth != 0) w.problem = std::to_string(w.depth) + " groups left open";
  return w;
}

}  // namespace

std::string rtfProblems(const std::string& rtf) { return walk(rtf).problem; }

int groupDepth(const std::string& rtf) { return walk(rtf).deepest; }

std::string unrtfHtml(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return {};
#else
  if (std::system("command -v unrtf >/dev/null 2>&1") != 0) return {};
  const std::string out = path + ".unrtf.html";
  const std::string command = "unrtf --html '" + path + "' > '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return qm::test::readFile(out);
#endif
}

}  // namespace qm::mail::rtf
