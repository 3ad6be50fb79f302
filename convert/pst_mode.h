// The PST output kind: one new personal folder file per source file, in its output folder,
// with the mails in a top-level folder named after the source file. Each mail goes through
// the .eml file the engine writes into the temporary folder: a new mail of the folder is
// filled from it and saved, and the file is deleted.
#pragma once

#include <memory>
#include <string>

#include "convert/output_mode.h"
#include "convert/store_session.h"

namespace qm::convert {

class PstMode : public OutputMode {
 public:
  explicit PstMode(StoreSession::SessionFactory sessions = {});
  ~PstMode() override;

  ModeSetup beginFile(RunContext& run, const FileJob& job) override;
  std::string mailFolder(const FileJob& job) const override { return job.tempFolder; }
  MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                         const std::string& emlPath) override;
  bool finishMails(RunContext& run, const FileJob& job) override;
  std::string successLine(const FileJob& job) const override;
  void endFile(RunContext& run, const FileJob& job) override;

  // The store file of a source file: "Converted_" + base name + ".pst" in its output folder.
  static std::string storePath(const FileJob& job);

 private:
  ModeSetup openFolders(RunContext& run, const FileJob& job);
  void findTargetFolder(const std::string& name);

  StoreSession store_;
  std::shared_ptr<mail::RDOFolder> inbox_;
  std::shared_ptr<mail::RDOFolder> root_;
  std::shared_ptr<mail::RDOFolders> children_;
  std::shared_ptr<mail::RDOFolder> target_;
  std::shared_ptr<mail::RDOItems> items_;
  std::shared_ptr<mail::RDOMail> mail_;
};

}  // namespace qm::convert
