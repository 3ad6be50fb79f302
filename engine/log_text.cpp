#include "engine/log_text.h"

#include <cstdio>

namespace {

std::string decimal(std::int64_t value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(value));
  return buf;
}

std::string hex(std::int64_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(value));
  return buf;
}

std::string render(const LogArg& arg, char conversion, int width) {
  if (arg.isText()) return std::string(arg.text());
  return conversion == 'x' ? hex(arg.number()) : decimal(arg.number(), width);
}

}  // namespace

std::string formatLogText(std::string_view pattern, std::initializer_list<LogArg> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    std::size_t j = i + 1;
    int width = 0;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
      width = width * 10 + (pattern[j++] - '0');
    if (j >= pattern.size()) break;
    const char conversion = pattern[j];
    if (conversion == '%') {
      out += '%';
    } else if (next != args.end()) {
      out += render(*next++, conversion, width);
    }
    i = j;
  }
  return out;
}
