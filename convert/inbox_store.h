// The store set-up the kinds that write one file per mail share: a temporary store in the
// file's temporary folder, logged on to, whose Inbox receives each mail before it is saved
// as a file. Nothing is ever saved into the store itself; it only carries the mails.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "convert/output_mode.h"
#include "convert/store_session.h"

namespace qm::convert {

class InboxStore {
 public:
  explicit InboxStore(StoreSession::SessionFactory sessions = {});
  ~InboxStore();
  InboxStore(const InboxStore&) = delete;
  InboxStore& operator=(const InboxStore&) = delete;

  // The temporary store of a source file: "Converted_" + base name + ".pst" in its
  // temporary folder.
  static std::string storePath(const FileJob& job);

  // Everything after the mode's first log line: the session ("session created" to the error
  // log), the temporary store and its logon check, a stop check, the Inbox and its items,
  // and a second stop check. Ready when the items can take new mails.
  ModeSetup open(RunContext& run, const FileJob& job);

  // The Inbox's items; valid between a ready open() and release().
  mail::RDOItems& items() { return *items_; }

  // Lets go of the Inbox, its items and what `held` releases of the caller's, then of the
  // store and the session, in that order. Then deletes the temporary store file, and the
  // temporary folder if that leaves it empty: where a file in use cannot be deleted, the
  // worker's cleanup of the folder has left them behind.
  void release(RunContext& run, const std::function<void()>& held = {});

 private:
  StoreSession store_;
  std::string storePath_, tempFolder_;
  std::shared_ptr<mail::RDOFolder> inbox_;
  std::shared_ptr<mail::RDOItems> items_;
};

}  // namespace qm::convert
