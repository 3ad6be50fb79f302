// Mailbox output as mboxrd files nested the way Thunderbird keeps its local folders: a
// folder is a file named after it, its subfolders are in a folder "<name>.sbd" beside it.
// Each mail is its text byte for byte after a "From " separator line, with mboxrd quoting
// (one more '>' before lines that start with ">...From "), and with the state its old store
// kept in the usual Status: and X-Status: lines put in front of its header.
#pragma once

#include <string>
#include <vector>

#include "mailbox/mailbox_output.h"
#include "mailbox/safe_names.h"

namespace qm::mailbox {

// The bytes one mail takes in an mbox file: separator line, state lines, quoted text and a
// blank line.
std::string mboxEntry(const std::string& mailText, const MailState& state);

class MboxTreeOutput : public MailboxOutput {
 public:
  // `root` must exist; `work` is an empty folder for the engine's .eml files.
  MboxTreeOutput(std::string root, std::string work);

  int makeFolder(int parent, const std::string& name, SpecialFolder special) override;
  std::string workFolder(int) const override { return work_; }
  bool addMail(int folder, const std::string& emlPath, const MailState& state) override;
  void finish() override {}
  std::string location() const override { return root_; }

 private:
  struct Folder {
    std::string file;
    SiblingNames children;
  };
  std::string root_;
  std::string work_;
  SiblingNames topNames_;
  std::vector<Folder> folders_;
};

}  // namespace qm::mailbox
