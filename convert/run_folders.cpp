#include "convert/run_folders.h"

#include "platform/files.h"

namespace qm::convert {

namespace {

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + platform::pathSeparator() + name;
}

}  // namespace

bool prepareFolder(RunContext& run, const std::string& folder) {
  bool made = false;
  if (!run.output([&] { made = platform::createDirectory(folder); })) return false;
  if (made) return true;
  for (const auto& entry : platform::listDirectory(folder)) {
    if (run.stopped()) return false;
    if (entry.isDirectory) continue;
    if (!run.output([&] { platform::deleteFile(inFolder(folder, entry.name)); })) return false;
  }
  return true;
}

void cleanTempFolder(RunContext& run, const std::string& folder) {
  try {
    for (const auto& entry : platform::listDirectory(folder)) {
      if (!entry.isDirectory) run.output([&] { platform::deleteFile(inFolder(folder, entry.name)); });
    }
    bool removed = false;
    run.output([&] { removed = platform::removeDirectory(folder); });
    if (removed) run.log("Temp Directory clean successfully");
    else run.logError("Error cleaning temp directory");
  } catch (...) {
    run.logError("Exception while cleaning temp directory");
  }
}

}  // namespace qm::convert
