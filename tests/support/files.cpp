#include "tests/support/files.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "platform/files.h"

namespace qm::test {

using File = std::unique_ptr<std::FILE, platform::FileCloser>;

std::string readFile(const std::string& path) {
  File f(platform::openFile(path, "rb"));
  if (!f) throw std::runtime_error("cannot read " + path);
  std::string out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.append(buf, n);
  return out;
}

void writeFile(const std::string& path, const std::string& bytes) {
  File f(platform::openFile(path, "wb"));
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
    throw std::runtime_error("cannot write " + path);
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string text;
  try {
    text = readFile(path);
  } catch (const std::exception&) {
    return lines;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string sharedFile(const std::string& relative) {
  std::string out = QM_SHARED_DIR;
  out += '/';
  out += relative;
  return out;
}

}  // namespace qm::test
