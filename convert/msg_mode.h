// The MSG output kind: every mail of a source file as one Outlook message file in its
// output folder, "Converted_msg_" + the mail's number + ".msg". Each mail goes through the
// .eml file the engine writes into the temporary folder: a new mail of a temporary store's
// Inbox is filled from it and saved as a message file, and the .eml file is deleted. The
// mails are never saved into the store.
#pragma once

#include <memory>
#include <string>

#include "convert/inbox_store.h"
#include "convert/output_mode.h"

namespace qm::convert {

class MsgMode : public OutputMode {
 public:
  explicit MsgMode(StoreSession::SessionFactory sessions = {});
  ~MsgMode() override;

  ModeSetup beginFile(RunContext& run, const FileJob& job) override;
  std::string mailFolder(const FileJob& job) const override { return job.tempFolder; }
  MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                         const std::string& emlPath) override;
  std::string successLine(const FileJob& job) const override;
  void endFile(RunContext& run, const FileJob& job) override;

  // The message file of mail `index` (0-based): numbered from 1, six digits at least.
  static std::string messagePath(const FileJob& job, int index);

 private:
  InboxStore store_;
  std::shared_ptr<mail::RDOMail> mail_;
};

}  // namespace qm::convert
