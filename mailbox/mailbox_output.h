// Where a mailbox conversion puts its folders and mails: one implementation per output kind
// (a personal folder file, nested .eml folders, mbox files).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "mailbox/folder_list.h"
#include "mailbox/store_index.h"

namespace qm::mailbox {

// The output as a whole cannot go on (the store file cannot be written, the disk is full).
class OutputFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MailboxOutput {
 public:
  static constexpr int kTop = -1;

  virtual ~MailboxOutput() = default;
  // Makes a folder named `name` under `parent` (kTop for the top of the output) and returns
  // its handle. `special` is set for the top-level special folders. Throws OutputFailure.
  virtual int makeFolder(int parent, const std::string& name, SpecialFolder special) = 0;
  // The folder the engine writes the .eml file of a mail of `folder` into.
  virtual std::string workFolder(int folder) const = 0;
  // Takes the mail the engine wrote to `emlPath` into `folder` with its state. False when
  // this mail could not be taken; throws OutputFailure when nothing more can be.
  virtual bool addMail(int folder, const std::string& emlPath, const MailState& state) = 0;
  // Completes the output (the store file flushed, open files closed). Throws OutputFailure.
  virtual void finish() = 0;
  // What the user is told the output is: a file or a folder.
  virtual std::string location() const = 0;
  // Mail content the output had to leave out (an attachment too large for the format).
  virtual std::vector<std::string> leftOut() const { return {}; }
};

}  // namespace qm::mailbox
