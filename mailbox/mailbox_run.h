// Converts a whole mailbox: every folder of the tree in order, each folder's store found by
// the raw scan as always, every mail into its folder, and the mails the store's index no
// longer lists into the folder's "Recovered" subfolder (or left out).
#pragma once

#include <functional>
#include <string>

#include "mailbox/mailbox_output.h"
#include "mailbox/mailbox_tree.h"

namespace qm::mailbox {

struct MailboxRunOptions {
  bool dropRecovered = false;  // leave out the mails the index does not list
  bool recoveryMode = false;   // refuse mails without a recognisable header
  bool logEnabled = false;     // the engine's execution and error logs
  std::function<bool()> stopRequested;
};

// What one folder's store gave.
struct FolderCount {
  bool opened = true;      // false: the store could not be opened
  int found = 0;           // mails the raw scan found
  int listed = 0;          // of them, listed by the index (written or not)
  int recovered = 0;       // not listed (written into "Recovered" unless dropped)
  int written = 0;
  int failed = 0;
  int lostFromScan = 0;    // listed by the index, but the scan found no whole mail there
  bool indexComplete = true;
};

class MailboxProgress {
 public:
  virtual ~MailboxProgress() = default;
  virtual void storeStarted(const FolderVisit&, int /*store*/, int /*stores*/) {}
  virtual void mailDone(bool /*written*/) {}
  virtual void storeFinished(const FolderVisit&, const FolderCount&) {}
};

struct MailboxTotals {
  int stores = 0;
  int storesUnopened = 0;
  int found = 0, listed = 0, recovered = 0, dropped = 0, written = 0, failed = 0, lostFromScan = 0;
  bool stopped = false;
  std::string failure;  // the output failed as a whole: why
};

MailboxTotals convertMailbox(const Mailbox& mailbox, MailboxOutput& output, const MailboxRunOptions& options,
                             MailboxProgress& progress);

// The counts of one store without writing anything (for listing a mailbox).
FolderCount countStore(const std::string& storePath, bool recoveryMode);

}  // namespace qm::mailbox
