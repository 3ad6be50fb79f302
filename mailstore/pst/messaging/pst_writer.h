// A new Unicode personal folder file: the store, its standard folders (MS-PST 2.7.1), the
// folders added to it and their mails. Folder tables are kept in memory in a packed form
// and written again at each flush; mails are written once, when they are added.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mailstore/message.h"
#include "mailstore/store_backend.h"
#include "mailstore/pst/ltp/prop_value.h"
#include "mailstore/pst/ltp/tc_builder.h"
#include "mailstore/pst/messaging/message_node.h"
#include "mailstore/pst/ndb/ndb_writer.h"

namespace qm::pst {

struct PstWriterOptions {
  // Receives the texts of attachments left out (too large for the format).
  std::function<void(const std::string&)> warn;
  // The most one mail may hold; larger attachments are left out.
  std::uint64_t maxMessageBytes = 0x7FFFF000;
  // Bytes the disk can take before it is full (tests stand in for a full disk with it).
  std::uint64_t diskSpace = ~std::uint64_t{0};
};

class PstWriter {
 public:
  // Creates the file (replacing one that is there) with an empty store, already flushed.
  PstWriter(const std::string& path, const std::u16string& displayName, PstWriterOptions options = {});

  Nid ipmSubtree() const { return kNidIpmSubtree; }
  Nid deletedItems() const { return kNidDeletedItems; }
  // The folder new mail is received into; none until addInbox() has made one.
  std::optional<Nid> inbox() const { return inbox_; }
  // Adds "Inbox" under the IPM subtree and makes it the receive folder of every message
  // class; the Inbox already made when there is one.
  Nid addInbox();
  // Adds Outbox, Sent Items or Drafts under the IPM subtree with its entry identifier where
  // clients look for it (MS-OXOSFLD 2.2); the folder already made when there is one.
  Nid addStandardFolder(mail::DefaultFolder which);
  std::optional<Nid> standardFolder(mail::DefaultFolder which) const;

  std::vector<Nid> childFolders(Nid parent) const;
  std::u16string folderName(Nid folder) const;
  std::string folderClass(Nid folder) const;
  bool hasFolder(Nid folder) const { return folders_.count(folder) != 0; }

  Nid addFolder(Nid parent, const std::u16string& name, const std::string& containerClass);
  void addMessage(Nid folder, const mail::Message& message, bool received);
  std::size_t messageCount(Nid folder) const;
  std::uint64_t bytesWritten() const { return ndb_.file().bytesWritten(); }

  // Everything added so far is in the file on disk, which opens as a complete store. Does
  // nothing when nothing was added since the last flush.
  void flush();
  // Mails added since the last flush.
  std::size_t unflushedMessages() const { return unflushed_; }

 private:
  struct Folder {
    Nid nid = 0;
    Nid parent = 0;
    PropList props;
    std::vector<Nid> children;
    bool search = false;
    std::vector<std::pair<Nid, std::vector<std::uint8_t>>> contents;  // row id, packed cells
    bool pcDirty = true, hierarchyDirty = true, contentsDirty = true;
    std::vector<Bid> pcBlocks, hierarchyBlocks, contentsBlocks;
  };

  void createStore(const std::u16string& displayName);
  Folder& addFolderState(Nid nid, Nid parent, PropList props, bool search);
  void writeStatic(Nid nid, const PropList& props);
  void writeStoreObject();
  void writeEmptyTable(Nid nid, const TableSchema& schema);
  void writeReceiveFolderTable(Nid receiver);
  void writeFolder(Folder& f);
  void markCountsChanged(Folder& f);
  std::vector<std::uint8_t> entryId(Nid nid) const;
  Folder& folder(Nid nid);
  const Folder& folder(Nid nid) const;

  NdbWriter ndb_;
  PstWriterOptions options_;
  MessageContext context_;
  std::map<Nid, Folder> folders_;
  std::optional<Nid> inbox_;
  std::map<mail::DefaultFolder, Nid> standard_;
  PropList storeProps_;
  std::vector<Bid> storeBlocks_;
  bool storeDirty_ = true;
  std::vector<Bid> receiveTableBlocks_;
  bool dirty_ = true;
  std::size_t unflushed_ = 0;
  bool failed_ = false;
};

}  // namespace qm::pst
