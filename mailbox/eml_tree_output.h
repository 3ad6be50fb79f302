// Mailbox output as nested folders of .eml files: one folder per mail folder, named after it
// and made safe, each mail's file dated with the time it was received.
#pragma once

#include <string>
#include <vector>

#include "mailbox/mailbox_output.h"
#include "mailbox/safe_names.h"

namespace qm::mailbox {

class EmlTreeOutput : public MailboxOutput {
 public:
  // `root` must exist.
  explicit EmlTreeOutput(std::string root);

  int makeFolder(int parent, const std::string& name, SpecialFolder special) override;
  std::string workFolder(int folder) const override;
  bool addMail(int folder, const std::string& emlPath, const MailState& state) override;
  void finish() override {}
  std::string location() const override { return root_; }

 private:
  struct Folder {
    std::string path;
    SiblingNames children;
  };
  std::string root_;
  SiblingNames topNames_;
  std::vector<Folder> folders_;
};

}  // namespace qm::mailbox
