#include "ui/settings_file.h"

#include <cstdio>
#include <memory>

#include "platform/files.h"

namespace qm::ui {

Settings parseSettings(const std::string& bytes) {
  auto on = [&](std::size_t offset) { return offset < bytes.size() && bytes[offset] == '1'; };
  return Settings{on(kLogValueOffset), on(kRecoveryValueOffset), on(kCustomizeValueOffset)};
}

Settings readSettings(const std::string& path) {
  std::unique_ptr<std::FILE, platform::FileCloser> f(platform::openFile(path, "rb"));
  if (!f) return Settings{};
  char buf[kSettingsFileSize] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
  return parseSettings(std::string(buf, n));
}

std::string settingsText(const Settings& s) {
  auto digit = [](bool on) { return on ? "1" : "0"; };
  return std::string("Log = ") + digit(s.log) + "\r\nRecovery = " + digit(s.recovery) +
         "\r\nCustomize = " + digit(s.customize) + "\r\n";
}

}  // namespace qm::ui
