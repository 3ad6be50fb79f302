#include "convert/rtf_mode.h"

#include <cstdio>

#include "mailstore/attachment_name.h"
#include "platform/charset.h"
#include "platform/files.h"
#include "platform/safe_files.h"

namespace qm::convert {

using std::to_string;

namespace {

std::string numbered(const FileJob& job, int index, const char* suffix) {
  char name[48];
  std::snprintf(name, sizeof name, "Converted_msg_%06d%s", index + 1, suffix);
  return job.outputFolder + platform::pathSeparator() + name;
}

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + platform::pathSeparator() + name;
}

}  // namespace

RtfMode::FolderState RtfMode::prepareAttachmentFolder(RunContext& run, const FileJob& job, const std::string& folder) {
  bool made = false;
  if (!run.output([&] { made = platform::createDirectory(folder); })) return FolderState::Stopped;
  if (made) return FolderState::Ready;
  // A link in the folder's place would take the attachments elsewhere.
  if (platform::isLink(folder) || !platform::isDirectory(folder)) return FolderState::Unusable;
  // An existing folder loses its files; its subfolders (and links) stay, and so does the
  // source file itself.
  for (const auto& entry : platform::listDirectory(folder)) {
    if (run.stopped()) return FolderState::Stopped;
    const std::string path = inFolder(folder, entry.name);
    if (entry.isDirectory || platform::isLink(path) || path == job.sourcePath) continue;
    if (!run.output([&] { platform::deleteFile(path); })) return FolderState::Stopped;
  }
  return FolderState::Ready;
}

RtfMode::RtfMode(StoreSession::SessionFactory sessions) : inbox_(std::move(sessions)) {}

RtfMode::~RtfMode() = default;

std::string RtfMode::documentPath(const FileJob& job, int index) { return numbered(job, index, ".rtf"); }

std::string RtfMode::attachmentFolder(const FileJob& job, int index) { return numbered(job, index, ""); }

ModeSetup RtfMode::beginFile(RunContext& run, const FileJob& job) {
  run.log("In SAVEASRTF");
  return inbox_.open(run, job);
}

MailOutcome RtfMode::handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                                const std::string& emlPath) {
  if (!saved) {
    run.logError("conversion fails for mail " + to_string(index));
    return MailOutcome::Failed;
  }
  MailOutcome outcome = saveDocument(run, index, emlPath, documentPath(job, index));
  if (outcome == MailOutcome::Converted) outcome = saveAttachments(run, job, index);
  attachments_.reset();
  mail_.reset();
  return outcome;
}

MailOutcome RtfMode::saveDocument(RunContext& run, int index, const std::string& emlPath,
                                  const std::string& path) {
  try {
    bool made = false;
    const bool ran = run.output([&] {
      mail_ = inbox_.items().add(0);
      if (!mail_) return;
      made = true;
      mail_->importFile(emlPath, mail::formats::kImportRfc822);
      mail_->setReceived(true);
      // Written whole under a temporary name: a stopped run leaves no half document.
      mail_->saveAs(path, mail::formats::kSaveAsRtf);
    });
    if (!ran) return MailOutcome::Stopped;
    if (!made) {
      run.logError("Could not create Mail object for mail no " + to_string(index));
      return MailOutcome::Skipped;
    }
  } catch (...) {
    run.logError("Exception while importing and saving mail no : " + to_string(index));
    return MailOutcome::Skipped;
  }
  return run.dropTemporaryMail(emlPath, index) ? MailOutcome::Converted : MailOutcome::Stopped;
}

MailOutcome RtfMode::saveAttachments(RunContext& run, const FileJob& job, int index) {
  try {
    attachments_ = mail_->attachments();
    if (!attachments_) {
      run.logError("Could not determine No of attachments");
      return MailOutcome::Skipped;
    }
    const std::int32_t count = attachments_->count();
    if (count == 0) return MailOutcome::Converted;
    const std::string folder = attachmentFolder(job, index);
    if (run.stopped()) return MailOutcome::Stopped;
    const FolderState state = prepareAttachmentFolder(run, job, folder);
    if (state == FolderState::Stopped) return MailOutcome::Stopped;

    bool allSaved = true;
    std::vector<std::u16string> used;
    for (std::int32_t a = 1; a <= count; ++a) {
      if (run.stopped()) return MailOutcome::Stopped;
      const std::shared_ptr<mail::RDOAttachment> attachment = attachments_->item(a);
      if (!attachment) {
        run.logError("Could not create single attachment object");
        allSaved = false;
        continue;
      }
      // Two attachments of one name would overwrite each other: the later ones are numbered.
      const std::string name =
          platform::utf16ToUtf8(mail::distinctFileName(platform::utf8ToUtf16(attachment->fileName()), used));
      const std::string path = inFolder(folder, name);
      try {
        if (state == FolderState::Unusable) throw mail::ComponentError("no folder for the attachments");
        if (!run.output([&] { attachment->saveAsFile(path); })) return MailOutcome::Stopped;
      } catch (...) {
        run.logError("Counld not create " + path + " attachment file");
        allSaved = false;
      }
    }
    // A lost attachment is a mail not wholly converted; the progress moves on all the same.
    return allSaved ? MailOutcome::Converted : MailOutcome::Failed;
  } catch (...) {
    run.logError("Exception while importing and saving attachments for mail no : " + to_string(index));
    return MailOutcome::Skipped;
  }
}

std::string RtfMode::successLine(const FileJob& job) const {
  return "SAVEASRTF Convertion Succeeded for file " + job.sourcePath;
}

void RtfMode::endFile(RunContext& run, const FileJob&) {
  inbox_.release(run, [this] {
    attachments_.reset();
    mail_.reset();
  });
}

}  // namespace qm::convert
