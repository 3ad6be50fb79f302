// The DBX output kind: for each source file a new folder of our Outlook Express store
// (oestore/), every mail imported into it as a stream from the .eml file the engine writes
// into the temporary folder, and the folder's own .dbx file copied into the output folder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "convert/output_mode.h"
#include "oestore/store_namespace.h"

namespace qm::convert {

// How the mode reaches the store. Empty members stand for the real ones: the thread needs
// no set-up and the namespace is our own store's.
struct StoreConnection {
  std::function<bool()> initializeThread;
  // Null stands for a store that cannot be reached.
  std::function<std::unique_ptr<oe::StoreNamespace>()> createNamespace;
};

class DbxMode : public OutputMode {
 public:
  explicit DbxMode(StoreConnection connection = {});
  ~DbxMode() override;

  ModeSetup beginFile(RunContext& run, const FileJob& job) override;
  std::string mailFolder(const FileJob& job) const override { return job.tempFolder; }
  MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                         const std::string& emlPath) override;
  bool finishMails(RunContext& run, const FileJob& job) override;
  std::string successLine(const FileJob& job) const override;
  void endFile(RunContext& run, const FileJob& job) override;

  // "Tarnwick-Converted-DBX-<i>--<month>-<day>-<year>--<h>hr-<m>m-<s>s".
  static std::string storeFolderName(int fileIndex, const platform::Stamp& stamp);

 private:
  ModeSetup connect(RunContext& run);
  MailOutcome import(RunContext& run, int index, const std::string& emlPath);
  bool copyStoreFile(RunContext& run, const FileJob& job);
  void release();

  StoreConnection connection_;
  std::unique_ptr<oe::StoreNamespace> namespace_;
  std::unique_ptr<oe::StoreFolder> folder_;
  std::string folderName_;
};

}  // namespace qm::convert
