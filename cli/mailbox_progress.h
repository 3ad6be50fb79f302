// What the command line shows of a mailbox: the progress over the whole mailbox (one line
// per store, or one line redrawn in place on a terminal), the summary, and the listing of
// the tree with each folder's mails.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "mailbox/mailbox_run.h"

class MailboxReport : public qm::mailbox::MailboxProgress {
 public:
  MailboxReport(std::ostream& out, bool live) : out_(out), live_(live) {}

  void storeStarted(const qm::mailbox::FolderVisit& folder, int store, int stores) override;
  void mailDone(bool written) override;
  void storeFinished(const qm::mailbox::FolderVisit& folder, const qm::mailbox::FolderCount& count) override;
  void endLive();
  void summary(const qm::mailbox::MailboxTotals& totals, const std::string& location, double seconds);

 private:
  void redraw(bool force);

  std::ostream& out_;
  bool live_;
  std::string current_;
  int store_ = 0, stores_ = 0;
  long mails_ = 0;
  std::size_t drawn_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// "Posteingang/KDE": a folder's path as the listing and the progress show it.
std::string folderPathText(const qm::mailbox::FolderVisit& folder);

// Prints the tree with the mails of each folder's store and the totals; false when a store
// could not be opened or the index lists mails the scan does not find.
bool listMailbox(const qm::mailbox::Mailbox& mailbox, std::ostream& out);
