// config.ini beside the executable: three fixed lines whose values sit at fixed byte
// offsets. The reader looks at those three bytes only; the writer always writes all three
// lines with CR LF line ends, 38 bytes in all.
#pragma once

#include <cstddef>
#include <string>

namespace qm::ui {

struct Settings {
  bool log = false;
  bool recovery = false;
  bool customize = false;
};

constexpr std::size_t kLogValueOffset = 6;
constexpr std::size_t kRecoveryValueOffset = 20;
constexpr std::size_t kCustomizeValueOffset = 35;
constexpr std::size_t kSettingsFileSize = 38;

// All three off when the file cannot be read; a value is on only when its byte is '1'.
Settings readSettings(const std::string& path);
Settings parseSettings(const std::string& bytes);
// "Log = x\r\nRecovery = y\r\nCustomize = z\r\n".
std::string settingsText(const Settings& settings);

}  // namespace qm::ui
