// The mail-store component's object model: a session logs on to a store file; the store
// has folders; a folder has items (mails) and child folders; a mail is filled from an .eml
// file, saved into its folder or saved as a file, and has attachments.
//
// Object results are shared pointers that the caller holds as long as it needs them; a
// null pointer means the object is not available. Failures are raised as ComponentError.
// Objects of one session are used from one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mailstore/component_setup.h"
#include "mailstore/message.h"
#include "mailstore/store_backend.h"

namespace qm::mail {

class RDOStore;
class RDOFolder;
class RDOFolders;
class RDOItems;
class RDOMail;
class RDOAttachments;
class RDOAttachment;
struct StoreContext;

// Folder kinds as integers: the kind of item a folder holds, standing for its container
// class. A mail folder (0) is "IPF.Note".
namespace folder_kinds {
constexpr std::int32_t kMail = 0;
constexpr std::int32_t kAppointment = 1;
constexpr std::int32_t kContact = 2;
constexpr std::int32_t kTask = 3;
constexpr std::int32_t kJournal = 4;
constexpr std::int32_t kNote = 5;
}  // namespace folder_kinds

// The container class a kind stands for ("IPF.Note" for anything unknown), and back.
std::string containerClassOfKind(std::int32_t kind);
std::int32_t kindOfContainerClass(const std::string& containerClass);

class RDOSession {
 public:
  RDOSession();  // with the process-wide setup
  explicit RDOSession(ComponentSetup setup);
  ~RDOSession();
  RDOSession(const RDOSession&) = delete;
  RDOSession& operator=(const RDOSession&) = delete;

  // Creates the store file at the path (or opens it) under the display name and logs on.
  // Null when the store cannot be created; lastError() then says why.
  std::shared_ptr<RDOStore> logonPstStore(const std::string& utf8Path, const std::string& displayName);
  bool loggedOn() const;
  // Where the store logged on to next reports mail content it left out.
  void setWarningHandler(StoreWarningHandler handler) { warn_ = std::move(handler); }
  const std::string& lastError() const { return lastError_; }

 private:
  ComponentSetup setup_;
  StoreWarningHandler warn_;
  std::shared_ptr<StoreContext> store_;
  std::string lastError_;
};

class RDOStore {
 public:
  explicit RDOStore(std::shared_ptr<StoreContext> context);
  // The top of the visible folder tree.
  std::shared_ptr<RDOFolder> ipmRootFolder();
  // A standard folder by number (3 Deleted Items, 4 Outbox, 5 Sent Items, 6 Inbox, 16
  // Drafts); null for other numbers and for folders the store does not have.
  std::shared_ptr<RDOFolder> getDefaultFolder(std::int32_t number);
  // Called once after logon: makes sure the standard folders exist.
  void ensureStandardFolders();
  // Makes every mail saved so far durable in the store file. Raises StoreFailure when the
  // file cannot be written.
  void flush();

 private:
  std::shared_ptr<StoreContext> context_;
};

class RDOFolder {
 public:
  RDOFolder(std::shared_ptr<StoreContext> context, FolderId id);
  std::string name();  // UTF-8
  std::shared_ptr<RDOItems> items();
  std::shared_ptr<RDOFolders> folders();
  // The integer to pass as a new folder's kind: this folder's own kind.
  std::int32_t kind();
  FolderId id() const { return id_; }

 private:
  std::shared_ptr<StoreContext> context_;
  FolderId id_;
};

class RDOFolders {
 public:
  RDOFolders(std::shared_ptr<StoreContext> context, FolderId parent);
  std::int32_t count();
  // The child at a 1-based index; null outside 1..count().
  std::shared_ptr<RDOFolder> item(std::int32_t index);
  std::shared_ptr<RDOFolder> add(const std::string& name, std::int32_t kind);

 private:
  std::shared_ptr<StoreContext> context_;
  FolderId parent_;
};

class RDOItems {
 public:
  RDOItems(std::shared_ptr<StoreContext> context, FolderId folder);
  // A new, empty mail of the folder for kind 0; null for other kinds.
  std::shared_ptr<RDOMail> add(std::int32_t kind);

 private:
  std::shared_ptr<StoreContext> context_;
  FolderId folder_;
};

class RDOMail {
 public:
  RDOMail(std::shared_ptr<StoreContext> context, FolderId folder);
  // Fills the mail from a file; format 1024 reads an Internet message (.eml).
  void importFile(const std::string& utf8Path, std::int32_t format);
  // True: the mail is a received, read mail; false (the start): an unsent draft.
  void setReceived(bool received);
  bool received() const { return received_; }
  // The state the mail had in its old store: unread (the start: read), flagged for
  // follow-up, and when it was received (the start: its first Received: header's date).
  void setUnread(bool unread);
  void setFlagged(bool flagged);
  void setReceivedTime(UnixTime time);
  // Saves the mail into its folder. Saving again without a change in between does nothing.
  // Raises StoreFailure when the store file can no longer be written.
  void save();
  // Writes the mail as a file: format 3 an Outlook message file (.msg), 1 rich text (.rtf).
  void saveAs(const std::string& utf8Path, std::int32_t format);
  std::shared_ptr<RDOAttachments> attachments();
  const Message& message() const { return *message_; }

 private:
  std::shared_ptr<StoreContext> context_;
  FolderId folder_;
  std::shared_ptr<Message> message_;
  bool received_ = false;
  bool savedUnchanged_ = false;
  bool everSaved_ = false;
};

class RDOAttachments {
 public:
  explicit RDOAttachments(std::shared_ptr<const Message> message);
  std::int32_t count() const;
  // The attachment at a 1-based index; null outside 1..count().
  std::shared_ptr<RDOAttachment> item(std::int32_t index) const;

 private:
  std::shared_ptr<const Message> message_;
};

class RDOAttachment {
 public:
  RDOAttachment(std::shared_ptr<const Message> message, std::size_t index);
  // A name the attachment can be saved under as it stands (UTF-8): its own name made safe
  // for a file system, or one made up when it has none.
  std::string fileName() const;
  // Writes the content to the path; an embedded message is written as its .eml text.
  void saveAsFile(const std::string& utf8Path) const;

 private:
  std::shared_ptr<const Message> message_;
  std::size_t index_;
};

}  // namespace qm::mail
