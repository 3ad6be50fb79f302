#include "convert/inbox_store.h"

#include "platform/files.h"

namespace qm::convert {

InboxStore::InboxStore(StoreSession::SessionFactory sessions) : store_(std::move(sessions)) {}

InboxStore::~InboxStore() = default;

std::string InboxStore::storePath(const FileJob& job) {
  return job.tempFolder + platform::pathSeparator() + "Converted_" + job.baseName + ".pst";
}

ModeSetup InboxStore::open(RunContext& run, const FileJob& job) {
  storePath_ = storePath(job);
  tempFolder_ = job.tempFolder;
  ModeSetup setup = store_.open(run, storePath_, true);
  if (setup.outcome != ModeSetup::Outcome::Ready) return setup;
  if (run.stopped()) return ModeSetup::stopped();

  StepResult step = componentStep(run, [&] {
    inbox_ = store_.store().getDefaultFolder(static_cast<std::int32_t>(mail::DefaultFolder::Inbox));
  });
  if (step == StepResult::Stopped) return ModeSetup::stopped();
  if (step == StepResult::Threw) return ModeSetup::failed({}, "Exception while creating folder");
  if (!inbox_) return ModeSetup::failed("Could not find inbox folder in PST", "Could not get default inbox folder");

  step = componentStep(run, [&] { items_ = inbox_->items(); });
  if (step == StepResult::Stopped) return ModeSetup::stopped();
  if (step == StepResult::Threw) return ModeSetup::failed({}, "Exception while reading folder items");
  if (!items_) return ModeSetup::failed("Could not find inbox folder items", "Could not get default inbox folder items");

  if (run.stopped()) return ModeSetup::stopped();
  return ModeSetup::ready();
}

void InboxStore::release(RunContext& run, const std::function<void()>& held) {
  store_.release(run, [&] {
    if (held) held();
    items_.reset();
    inbox_.reset();
  });
  if (storePath_.empty()) return;
  try {
    run.output([&] {
      if (platform::fileExists(storePath_)) platform::deleteFile(storePath_);
      if (platform::isDirectory(tempFolder_) && platform::listDirectory(tempFolder_).empty())
        platform::removeDirectory(tempFolder_);
    });
  } catch (...) {
    // What is left is the worker's to clean on the next run.
  }
  storePath_.clear();
}

}  // namespace qm::convert
