// The File menu's three settings, each a check mark, a member and a value in config.ini.
#include <cstdio>
#include <memory>

#include "log/app_log.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"
#include "ui/settings_file.h"

namespace {

std::string stamped(const char* pattern, const qm::platform::Stamp& s) {
  char buf[160];
  std::snprintf(buf, sizeof buf, pattern, s.month, s.day, s.year, s.hour, s.minute, s.second);
  return buf;
}

}  // namespace

void CRAROvavodizDlg::toggleSetting(UINT command, bool& member, const char* onLine,
                                    const char* offLine) {
  const std::string path = settingsPath();
  std::unique_ptr<std::FILE, qm::platform::FileCloser> file(qm::platform::openFile(path, "wb"));
  if (!file) logError("Error opening config file from " + path);
  qm::ui::Settings now{menuItemChecked(IDM_FILE_LOG), menuItemChecked(IDM_FILE_RECOVERY),
                       menuItemChecked(IDM_FILE_CUSTOMIZE)};
  const qm::platform::Stamp stamp = qm::platform::nowStamp();
  const bool on = !menuItemChecked(command);
  checkMenuItem(command, on);
  member = on;
  if (command == IDM_FILE_LOG) now.log = on;
  if (command == IDM_FILE_RECOVERY) now.recovery = on;
  if (command == IDM_FILE_CUSTOMIZE) now.customize = on;
  if (file) {
    const std::string bytes = qm::ui::settingsText(now);
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    file.reset();
  }
  // Written whatever the Log setting is, so that every change is on record.
  AppLog::write(0, 0, stamped(on ? onLine : offLine, stamp), false);
}

void CRAROvavodizDlg::OnFileLog() {
  try {
    toggleSetting(IDM_FILE_LOG, logEnabled, "File Logging Enabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds",
                  "File Logging Disabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds");
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnFileLog()");
  }
}

void CRAROvavodizDlg::OnFileRecovery() {
  try {
    toggleSetting(IDM_FILE_RECOVERY, recoveryMode,
                  "File Recovery Mode Enabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds",
                  "File Recovery Mode Disabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds");
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnFileRecovery()");
  }
}

void CRAROvavodizDlg::OnFileCustomize() {
  try {
    toggleSetting(IDM_FILE_CUSTOMIZE, customizeNames,
                  "Customize Name Mode Enabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds",
                  "Customize Name Mode Disabled on DATE=%d-%d-%d TIME=%dhr:%dm:%ds");
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnFileCustomize()");
  }
}
