// The RTF output kind: every mail of a source file as a rich-text document in its output
// folder, Converted_msg_000001.rtf and on, with the mail's attachments saved as files in a
// folder of the same number beside it. Each mail goes through the .eml file the engine
// writes into the temporary folder: a new mail of a temporary store's Inbox is filled from
// it and saved as rich text, the .eml file is deleted, then the attachments are saved.
#pragma once

#include <memory>
#include <string>

#include "convert/inbox_store.h"
#include "convert/output_mode.h"

namespace qm::convert {

class RtfMode : public OutputMode {
 public:
  explicit RtfMode(StoreSession::SessionFactory sessions = {});
  ~RtfMode() override;

  ModeSetup beginFile(RunContext& run, const FileJob& job) override;
  std::string mailFolder(const FileJob& job) const override { return job.tempFolder; }
  MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                         const std::string& emlPath) override;
  std::string successLine(const FileJob& job) const override;
  void endFile(RunContext& run, const FileJob& job) override;

  // The document of mail `index` (0-based): "Converted_msg_%06d.rtf" numbered from 1.
  static std::string documentPath(const FileJob& job, int index);
  // The folder of its attachments: the same name without ".rtf".
  static std::string attachmentFolder(const FileJob& job, int index);

 private:
  MailOutcome saveDocument(RunContext& run, int index, const std::string& emlPath, const std::string& path);
  MailOutcome saveAttachments(RunContext& run, const FileJob& job, int index);
  // Makes the attachment folder of a mail, or empties the one there of its files.
  enum class FolderState { Ready, Unusable, Stopped };
  static FolderState prepareAttachmentFolder(RunContext& run, const FileJob& job, const std::string& folder);

  InboxStore inbox_;
  std::shared_ptr<mail::RDOMail> mail_;
  std::shared_ptr<mail::RDOAttachments> attachments_;
};

}  // namespace qm::convert
