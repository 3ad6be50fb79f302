#include "tests/mailstore/rtf/rtf_check.h"

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

}  // namespace qm::mail::rtf
