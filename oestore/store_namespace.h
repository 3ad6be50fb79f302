// Our Outlook Express store: the operations the DBX output kind calls on the store, with
// the names and the order of the mail program's store API (a namespace, its folders, and a
// stream per message), and nothing more. Each folder is a real message store file,
// "<folder name>.dbx", in a store directory of our own in the system's temporary folder, one
// directory per process.
//
// Unlike a mail program's store, which keeps its folders, ours removes the files of the
// folders a namespace made when the namespace is released: the caller copies a folder's file
// out first (GetDirectory completes every file), and anything left would only fill the disk.
//
// The operations return false on failure, as the store API's calls return failure codes;
// after a failed CommitStream, commitFailure() tells why.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "oestore/store_writer.h"

namespace oe {

using FolderId = std::uint32_t;
using MessageId = std::uint32_t;

// One message being written: the bytes written to it until it is committed.
class MailStream {
 public:
  virtual ~MailStream() = default;
  // Appends `size` bytes; `written` receives how many were taken.
  virtual bool Write(const void* data, std::uint32_t size, std::uint32_t* written);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

enum class CommitFailure { None, IdTaken, Empty, StoreFull, DiskFailed };

class StoreFolder {
 public:
  StoreFolder(std::shared_ptr<MessageStoreWriter> writer, std::uint64_t runTime);
  virtual ~StoreFolder() = default;

  // A new message's stream and its id. Batch lock and reserved are 0.
  virtual bool CreateStream(std::uint32_t batchLock, std::uint32_t reserved, std::unique_ptr<MailStream>& stream,
                            MessageId& id);
  // Makes the stream's bytes message `id` of the folder, with `messageFlags`. Batch lock and
  // flags are 0; the message object out-parameter is not offered.
  virtual bool CommitStream(std::uint32_t batchLock, std::uint32_t flags, std::uint32_t messageFlags,
                            MailStream& stream, MessageId id);
  CommitFailure commitFailure() const { return failure_; }

 private:
  std::shared_ptr<MessageStoreWriter> writer_;
  std::uint64_t runTime_;
  MessageId nextId_;
  CommitFailure failure_ = CommitFailure::None;
};

class StoreNamespace {
 public:
  // `limit`: the size no folder's file may pass.
  explicit StoreNamespace(std::uint64_t limit = kStoreLimit) : limit_(limit) {}
  // Release: the files of the folders made here are closed and removed, and the store
  // directory with them once nothing else is in it.
  virtual ~StoreNamespace();
  StoreNamespace(const StoreNamespace&) = delete;
  StoreNamespace& operator=(const StoreNamespace&) = delete;

  // Opens the store for this process: makes the store directory when it is missing. No
  // owner window; reserved is 0.
  virtual bool Initialize(const void* ownerWindow, std::uint32_t reserved);
  // A new folder under the root (parent 0) with an empty store file; false for another
  // parent, a name that is no file name, or a folder of that name already in the store.
  virtual bool CreateFolder(FolderId parent, const std::string& name, std::uint32_t reserved, FolderId& id);
  virtual bool OpenFolder(FolderId id, std::uint32_t reserved, std::unique_ptr<StoreFolder>& folder);
  // The store directory (with no trailing separator), after every folder's file has been
  // made complete; false when a file could not be completed or the path does not fit
  // `room` characters.
  virtual bool GetDirectory(std::string& directory, std::size_t room);

 protected:
  bool initialized() const { return initialized_; }

 private:
  struct Folder {
    std::string path;
    std::shared_ptr<MessageStoreWriter> writer;
  };
  std::uint64_t limit_;
  bool initialized_ = false;
  std::uint64_t runTime_ = 0;
  std::map<FolderId, Folder> folders_;
};

// The store directory of this process (made on first use by Initialize).
std::string storeDirectory();

}  // namespace oe
