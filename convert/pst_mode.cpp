#include "convert/pst_mode.h"

#include "platform/files.h"

namespace qm::convert {

using std::to_string;

namespace {

// What a step of the set-up that can only fail by an exception or a stop ends in.
ModeSetup afterStep(StepResult step, const char* exceptionLine) {
  if (step == StepResult::Stopped) return ModeSetup::stopped();
  return ModeSetup::failed({}, exceptionLine);
}

}  // namespace

PstMode::PstMode(StoreSession::SessionFactory sessions) : store_(std::move(sessions)) {}

PstMode::~PstMode() = default;

std::string PstMode::storePath(const FileJob& job) {
  return job.outputFolder + platform::pathSeparator() + "Converted_" + job.baseName + ".pst";
}

ModeSetup PstMode::beginFile(RunContext& run, const FileJob& job) {
  run.log("In SAVEASPST");
  ModeSetup setup = store_.open(run, storePath(job), false);
  if (setup.outcome != ModeSetup::Outcome::Ready) return setup;
  if (run.stopped()) return ModeSetup::stopped();
  setup = openFolders(run, job);
  if (setup.outcome != ModeSetup::Outcome::Ready) return setup;
  if (run.stopped()) return ModeSetup::stopped();
  return ModeSetup::ready();
}

ModeSetup PstMode::openFolders(RunContext& run, const FileJob& job) {
  const char* const folderException = "Exception while creating folder";
  // A new folder takes the Inbox's kind; without an Inbox, that of a mail folder.
  std::int32_t kind = mail::folder_kinds::kMail;
  StepResult step = componentStep(run, [&] {
    inbox_ = store_.store().getDefaultFolder(static_cast<std::int32_t>(mail::DefaultFolder::Inbox));
    if (inbox_) kind = inbox_->kind();
    root_ = store_.store().ipmRootFolder();
  });
  if (step != StepResult::Done) return afterStep(step, folderException);
  if (!root_) {
    return ModeSetup::failed("Could not find default IPMRootFolder in PST", "Could not get default IPMRootFolder");
  }
  step = componentStep(run, [&] { children_ = root_->folders(); });
  if (step != StepResult::Done) return afterStep(step, folderException);
  if (!children_) {
    return ModeSetup::failed("Could not find childs of default IPMRootFolder in PST",
                             "Could not get childs of default IPMRootFolder folder");
  }
  step = componentStep(run, [&] {
    findTargetFolder(job.baseName);
    if (!target_) target_ = children_->add(job.baseName, kind);
  });
  if (step != StepResult::Done) return afterStep(step, folderException);
  if (!target_) return ModeSetup::failed("Could not find inbox folder in PST", "Could not create/get necessary folder");

  step = componentStep(run, [&] { items_ = target_->items(); });
  if (step != StepResult::Done) return afterStep(step, "Exception while reading folder items");
  if (!items_) return ModeSetup::failed("Could not find inbox folder items", "Could not get default inbox folder items");
  return ModeSetup::ready();
}

void PstMode::findTargetFolder(const std::string& name) {
  // The count is read again before each step; the first child of exactly that name wins.
  for (std::int32_t i = 1; i <= children_->count(); ++i) {
    std::shared_ptr<mail::RDOFolder> child = children_->item(i);
    if (child && child->name() == name) {
      target_ = std::move(child);
      return;
    }
  }
}

MailOutcome PstMode::handleMail(RunContext& run, const FileJob&, int index, bool saved,
                                const std::string& emlPath) {
  if (!saved) {
    run.logError("conversion fails for mail " + to_string(index));
    return MailOutcome::Failed;
  }
  try {
    bool made = false;
    // The import of a large mail takes its time: Stop does not wait for it, and a mail
    // begun is saved whole before the run stops.
    const bool ran = run.longOutput([&] {
      mail_ = items_->add(0);
      if (!mail_) return;
      made = true;
      mail_->importFile(emlPath, mail::formats::kImportRfc822);
      mail_->setReceived(true);
      mail_->save();
    });
    mail_.reset();
    if (!ran) return MailOutcome::Stopped;
    if (!made) {
      // The .eml file stays for the cleanup at the end of the file.
      run.logError("Could not create Mail object for mail no " + to_string(index));
      return MailOutcome::Skipped;
    }
  } catch (const mail::StoreFailure& e) {
    mail_.reset();
    run.logError("Exception while importing and saving mail : " + to_string(index));
    StoreSession::reportStoreFailure(run, e.what());
    return MailOutcome::Aborted;
  } catch (...) {
    mail_.reset();
    run.logError("Exception while importing and saving mail : " + to_string(index));
    return MailOutcome::Failed;
  }
  // The mail is in the output now, also when the run was stopped meanwhile and its .eml file
  // is left for the clean-up.
  run.dropTemporaryMail(emlPath, index);
  return MailOutcome::Converted;
}

bool PstMode::finishMails(RunContext& run, const FileJob&) {
  // The store is complete on disk before the file is reported converted.
  return store_.flush(run) && !run.stopped();
}

std::string PstMode::successLine(const FileJob& job) const {
  return "SAVEASPST Recovery Succeeded for file " + job.sourcePath;
}

void PstMode::endFile(RunContext& run, const FileJob&) {
  store_.release(run, [this] {
    mail_.reset();
    items_.reset();
    target_.reset();
    children_.reset();
    root_.reset();
    inbox_.reset();
  });
}

}  // namespace qm::convert
