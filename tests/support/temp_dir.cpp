#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace qm::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string base = platform::tempFolder() + "qmtest_" + std::to_string(tick) + "_" +
                           std::to_string(counter++);
  std::error_code ec;
  std::filesystem::create_directories(platform::toPath(base), ec);
  path_ = base;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(platform::toPath(path_), ec);
}

std::string TempDir::file(const std::string& name) const {
  return path_ + platform::pathSeparator() + name;
}

}  // namespace qm::test
