#include "mailstore/pst/pst_store.h"

#include <algorithm>

#include "mailstore/pst/messaging/pst_writer.h"

namespace qm::mail {
namespace {

class PstStore : public StoreBackend {
 public:
  PstStore(const std::string& path, const std::u16string& displayName, PstStoreOptions options)
      : writer_(path, displayName, writerOptions(options)), flushEvery_(std::max<std::size_t>(1, options.flushEvery)) {}

  ~PstStore() override {
    try {
      writer_.flush();
    } catch (...) {
      // A store that cannot be written keeps what its last flush made durable.
    }
  }

  // A new file has the IPM subtree with Deleted Items, the search root and the common views
  // from the start; the Inbox is added here, as a client adds it when it first uses the file.
  void ensureStandardFolders() override { writer_.addInbox(); }
  FolderId rootFolder() override { return writer_.ipmSubtree(); }
  std::optional<FolderId> defaultFolder(DefaultFolder which) override {
    if (which == DefaultFolder::DeletedItems) return writer_.deletedItems();
    if (which == DefaultFolder::Inbox) return writer_.inbox();
    // Outbox, Sent Items and Drafts are made when first asked for, as a client makes them.
    return writer_.addStandardFolder(which);
  }
  std::vector<FolderId> childFolders(FolderId parent) override { return writer_.childFolders(checked(parent)); }
  std::u16string folderName(FolderId folder) override { return writer_.folderName(checked(folder)); }
  std::string folderClass(FolderId folder) override { return writer_.folderClass(checked(folder)); }
  FolderId addFolder(FolderId parent, const std::u16string& name, const std::string& containerClass) override {
    return writer_.addFolder(checked(parent), name, containerClass);
  }
  void addMessage(FolderId folder, const Message& message, bool received) override {
    writer_.addMessage(checked(folder), message, received);
    ++added_;
    if (writer_.unflushedMessages() >= flushInterval()) writer_.flush();
  }
  void flush() override { writer_.flush(); }

 private:
  pst::Nid checked(FolderId id) const {
    if (!writer_.hasFolder(id)) throw StoreError("no such folder in the personal folder file");
    return id;
  }
  // Mails are flushed in batches, so that a run cut short by a crash or a killed process
  // keeps most of what it saved. A flush rewrites the tables of the folders that changed,
  // so the batches grow with the store and the flushes cost a fixed share of the run.
  std::size_t flushInterval() const { return std::max(flushEvery_, added_ / 8); }
  static pst::PstWriterOptions writerOptions(const PstStoreOptions& options) {
    pst::PstWriterOptions o;
    o.warn = options.warn;
    o.diskSpace = options.diskSpace;
    return o;
  }

  pst::PstWriter writer_;
  std::size_t flushEvery_;
  std::size_t added_ = 0;
};

}  // namespace

std::unique_ptr<StoreBackend> createPstStore(const std::string& path, const std::u16string& displayName,
                                             PstStoreOptions options) {
  return std::make_unique<PstStore>(path, displayName, std::move(options));
}

}  // namespace qm::mail
