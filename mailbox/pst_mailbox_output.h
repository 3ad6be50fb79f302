// Mailbox output into one personal folder file: the folder tree rebuilt under the top of
// the file, the special folders mapped onto the file's own (Inbox, Outbox, Sent Items,
// Deleted Items, Drafts), and each mail with the state its old store kept.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mailbox/mailbox_output.h"
#include "mailbox/safe_names.h"
#include "mailstore/rdo_objects.h"

namespace qm::mailbox {

// The file's name in the destination.
inline constexpr const char* kMailboxPstName = "Mailbox.pst";

class PstMailboxOutput : public MailboxOutput {
 public:
  // Creates the file at `path`; `work` is an empty folder for the engine's .eml files.
  // Throws OutputFailure when the file cannot be made. `session` null: the process-wide
  // setup.
  PstMailboxOutput(const std::string& path, std::string work, std::unique_ptr<mail::RDOSession> session = {});
  ~PstMailboxOutput() override;

  int makeFolder(int parent, const std::string& name, SpecialFolder special) override;
  std::string workFolder(int) const override { return work_; }
  bool addMail(int folder, const std::string& emlPath, const MailState& state) override;
  void finish() override;
  std::string location() const override { return path_; }
  std::vector<std::string> leftOut() const override { return leftOut_; }

  // The file's own folder a special folder goes into, by its standard name.
  static const char* standardName(SpecialFolder special);

 private:
  struct Folder {
    std::shared_ptr<mail::RDOFolder> folder;
    std::shared_ptr<mail::RDOItems> items;
    SiblingNames children;
  };
  int remember(std::shared_ptr<mail::RDOFolder> folder, SiblingNames children = {});
  std::shared_ptr<mail::RDOFolder> specialFolder(SpecialFolder special);

  std::string path_;
  std::string work_;
  std::unique_ptr<mail::RDOSession> session_;
  std::shared_ptr<mail::RDOStore> store_;
  std::shared_ptr<mail::RDOFolder> root_;
  SiblingNames topNames_;
  std::set<SpecialFolder> mapped_;
  std::vector<Folder> folders_;
  std::vector<std::string> leftOut_;
};

}  // namespace qm::mailbox
