#include "convert/msg_mode.h"

#include <cstdio>

#include "platform/files.h"

namespace qm::convert {

using std::to_string;

MsgMode::MsgMode(StoreSession::SessionFactory sessions) : store_(std::move(sessions)) {}

MsgMode::~MsgMode() = default;

std::string MsgMode::messagePath(const FileJob& job, int index) {
  char number[32];
  std::snprintf(number, sizeof number, "%06d", index + 1);
  return job.outputFolder + platform::pathSeparator() + "Converted_msg_" + number + ".msg";
}

ModeSetup MsgMode::beginFile(RunContext& run, const FileJob& job) {
  run.log("In SAVEASMSG");
  return store_.open(run, job);
}

MailOutcome MsgMode::handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                                const std::string& emlPath) {
  if (!saved) {
    run.logError("conversion fails for mail " + to_string(index));
    return MailOutcome::Failed;
  }
  const std::string exceptionLine = "Exception while importing and saving mail no : " + to_string(index);
  try {
    bool made = false;
    const bool ran = run.output([&] {
      mail_ = store_.items().add(0);
      if (!mail_) return;
      made = true;
      mail_->importFile(emlPath, mail::formats::kImportRfc822);
      mail_->setReceived(true);
      // The writer puts the file in place only once it is complete.
      mail_->saveAs(messagePath(job, index), mail::formats::kSaveAsMsg);
    });
    mail_.reset();
    if (!ran) return MailOutcome::Stopped;
    if (!made) {
      run.logError("Could not create Mail object for mail no " + to_string(index));
      return MailOutcome::Skipped;
    }
  } catch (...) {
    mail_.reset();
    run.logError(exceptionLine);
    return MailOutcome::Failed;
  }
  // The mail is in the output now, also when the run was stopped meanwhile and its .eml file
  // is left for the clean-up.
  run.dropTemporaryMail(emlPath, index);
  return MailOutcome::Converted;
}

std::string MsgMode::successLine(const FileJob& job) const {
  return "SAVEASMSG Convertion Succeeded for file " + job.sourcePath;
}

void MsgMode::endFile(RunContext& run, const FileJob&) {
  store_.release(run, [this] { mail_.reset(); });
}

}  // namespace qm::convert
