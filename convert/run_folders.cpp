#include "convert/run_folders.h"

#include <filesystem>
#include <system_error>

#include "convert/output_ownership.h"
#include "platform/files.h"

namespace qm::convert {

namespace {

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + platform::pathSeparator() + name;
}

// The most variants of one output folder name tried before the run gives up on it.
constexpr int kMostVariants = 1000;

}  // namespace

OutputFolders::OutputFolders(std::vector<std::string> sources, std::int32_t saveOption, bool replaceEarlier)
    : sources_(std::move(sources)), saveOption_(saveOption), replaceEarlier_(replaceEarlier) {}

bool OutputFolders::isSource(const std::string& path) const {
  for (const auto& source : sources_) {
    std::error_code ec;
    if (std::filesystem::equivalent(platform::toPath(source), platform::toPath(path), ec)) return true;
  }
  return false;
}

std::optional<std::string> OutputFolders::take(RunContext& run, const std::string& wanted,
                                               const std::string& fileName) {
  for (int variant = 1; variant <= kMostVariants; ++variant) {
    const std::string folder = variant == 1 ? wanted : wanted + "_" + std::to_string(variant);
    if (taken_.count(folder)) continue;
    switch (tryFolder(run, folder, fileName)) {
      case Use::Taken: taken_.insert(folder); return folder;
      case Use::Stopped: return std::nullopt;
      case Use::Busy: break;
    }
    // Nothing of that name and still not made: the parent is missing, so no variant can be.
    if (platform::fileKind(folder) == platform::FileKind::Missing && !platform::isLink(folder)) break;
  }
  return wanted;
}

OutputFolders::Use OutputFolders::tryFolder(RunContext& run, const std::string& folder,
                                            const std::string& fileName) {
  bool made = false;
  if (!run.output([&] { made = platform::createDirectory(folder); })) return Use::Stopped;
  if (platform::isLink(folder) || platform::fileKind(folder) != platform::FileKind::Directory) return Use::Busy;
  auto hold = platform::FolderHold::take(folder);
  if (!hold) return Use::Busy;  // another run writes there
  if (!made && !platform::listDirectory(folder).empty()) {
    if (!replaceEarlier_) return Use::Busy;
    if (!deleteEarlierOutput(run, folder, fileName)) return Use::Stopped;
  }
  holds_.push_back(std::move(hold));
  return Use::Taken;
}

bool OutputFolders::deleteEarlierOutput(RunContext& run, const std::string& folder, const std::string& fileName) {
  for (const auto& entry : platform::listDirectory(folder)) {
    if (run.stopped()) return false;
    const std::string path = inFolder(folder, entry.name);
    if (entry.isDirectory) {
      if (!isOutputFolderName(saveOption_, entry.name) || platform::isLink(path)) continue;
      // An attachment folder of an earlier run loses its files; its subfolders stay.
      for (const auto& inner : platform::listDirectory(path)) {
        const std::string file = inFolder(path, inner.name);
        if (inner.isDirectory || isSource(file)) continue;
        if (!run.output([&] { platform::deleteFile(file); })) return false;
      }
      continue;
    }
    if (!isOutputName(saveOption_, fileName, entry.name) || isSource(path)) continue;
    if (!run.output([&] { platform::deleteFile(path); })) return false;
  }
  return true;
}

std::optional<std::string> makeTempFolder(const std::string& wanted) { return platform::createPrivateFolder(wanted); }

void cleanTempFolder(RunContext& run, const std::string& folder) {
  try {
    bool removed = false;
    run.output([&] { removed = platform::removeFolderTree(folder); });
    if (removed) run.log("Temp Directory clean successfully");
    else run.logError("Error cleaning temp directory");
  } catch (...) {
    run.logError("Exception while cleaning temp directory");
  }
}

}  // namespace qm::convert
