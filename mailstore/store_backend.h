// What a mail store file offers the mail-store component: a folder tree that mails are
// added to. The PST writer implements it with a real personal folder file; tests use an
// in-memory store.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mailstore/message.h"

namespace qm::mail {

using FolderId = std::uint32_t;

// Raised by a backend when the store cannot do what was asked (the file cannot be
// written, the disk is full, a value does not fit the format). The text names what failed.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Standard folders a store can be asked for by number, as the component's callers know them.
enum class DefaultFolder { DeletedItems = 3, Outbox = 4, SentItems = 5, Inbox = 6, Drafts = 16 };

class StoreBackend {
 public:
  virtual ~StoreBackend() = default;

  // Makes sure the standard folders exist (called once after logon).
  virtual void ensureStandardFolders() = 0;
  // The top of the visible folder tree (the IPM subtree).
  virtual FolderId rootFolder() = 0;
  virtual std::optional<FolderId> defaultFolder(DefaultFolder which) = 0;

  virtual std::vector<FolderId> childFolders(FolderId parent) = 0;
  virtual std::u16string folderName(FolderId folder) = 0;
  virtual std::string folderClass(FolderId folder) = 0;  // container class, e.g. "IPF.Note"
  virtual FolderId addFolder(FolderId parent, const std::u16string& name,
                             const std::string& containerClass) = 0;

  // Saves one mail into a folder. `received` marks it as a received, read mail rather than
  // an unsent draft.
  virtual void addMessage(FolderId folder, const Message& message, bool received) = 0;

  // Makes everything saved so far durable in the file: a store flushed and then abandoned
  // (stop, crash) still opens with those mails.
  virtual void flush() = 0;
};

}  // namespace qm::mail
