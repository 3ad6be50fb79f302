#include "mailstore/pst/pst_store.h"

#include "mailstore/pst/messaging/pst_writer.h"

namespace qm::mail {
namespace {

class PstStore : public StoreBackend {
 public:
  PstStore(const std::string& path, const std::u16string& displayName, PstStoreOptions options)
      : writer_(path, displayName, pst::PstWriterOptions{std::move(options.warn)}) {}

  ~PstStore() override {
    try {
      writer_.flush();
    } catch (...) {
      // A store that cannot be written keeps what its last flush made durable.
    }
  }

  // The standard folders of a new file exist from the start: the IPM subtree with Deleted
  // Items, the search root and the common views. Nothing more is made here.
  void ensureStandardFolders() override {}
  FolderId rootFolder() override { return writer_.ipmSubtree(); }
  std::optional<FolderId> defaultFolder(DefaultFolder which) override {
    if (which == DefaultFolder::DeletedItems) return writer_.deletedItems();
    return std::nullopt;
  }
  std::vector<FolderId> childFolders(FolderId parent) override { return writer_.childFolders(checked(parent)); }
  std::u16string folderName(FolderId folder) override { return writer_.folderName(checked(folder)); }
  std::string folderClass(FolderId folder) override { return writer_.folderClass(checked(folder)); }
  FolderId addFolder(FolderId parent, const std::u16string& name, const std::string& containerClass) override {
    return writer_.addFolder(checked(parent), name, containerClass);
  }
  void addMessage(FolderId folder, const Message& message, bool received) override {
    writer_.addMessage(checked(folder), message, received);
  }
  void flush() override { writer_.flush(); }

 private:
  pst::Nid checked(FolderId id) const {
    if (!writer_.hasFolder(id)) throw StoreError("no such folder in the personal folder file");
    return id;
  }
  pst::PstWriter writer_;
};

}  // namespace

std::unique_ptr<StoreBackend> createPstStore(const std::string& path, const std::u16string& displayName,
                                             PstStoreOptions options) {
  return std::make_unique<PstStore>(path, displayName, std::move(options));
}

}  // namespace qm::mail
