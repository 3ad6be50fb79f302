#include "mailstore/memory_store.h"

namespace qm::mail {

MemoryStore::MemoryStore(std::u16string displayName) : displayName_(std::move(displayName)) {
  folders_.push_back(Folder{0, u"Top of Personal Folders", "IPF.Note", {}});
}

void MemoryStore::ensureStandardFolders() {
  static const std::pair<DefaultFolder, const char16_t*> kStandard[] = {
      {DefaultFolder::Inbox, u"Inbox"},
      {DefaultFolder::Outbox, u"Outbox"},
      {DefaultFolder::SentItems, u"Sent Items"},
      {DefaultFolder::DeletedItems, u"Deleted Items"},
  };
  for (const auto& [which, name] : kStandard) {
    if (!defaultFolder(which)) defaults_.emplace_back(which, addFolder(rootFolder(), name, "IPF.Note"));
  }
}

std::optional<FolderId> MemoryStore::defaultFolder(DefaultFolder which) {
  for (const auto& [w, id] : defaults_) {
    if (w == which) return id;
  }
  return std::nullopt;
}

std::vector<FolderId> MemoryStore::childFolders(FolderId parent) {
  folder(parent);
  std::vector<FolderId> children;
  for (FolderId id = 1; id < folders_.size(); ++id) {
    if (folders_[id].parent == parent) children.push_back(id);
  }
  return children;
}

std::u16string MemoryStore::folderName(FolderId id) { return folder(id).name; }

std::string MemoryStore::folderClass(FolderId id) { return folder(id).containerClass; }

FolderId MemoryStore::addFolder(FolderId parent, const std::u16string& name,
                                const std::string& containerClass) {
  folder(parent);
  folders_.push_back(Folder{parent, name, containerClass, {}});
  return static_cast<FolderId>(folders_.size() - 1);
}

void MemoryStore::addMessage(FolderId id, const Message& message, bool received) {
  folder(id);
  folders_[id].mails.push_back(StoredMail{message, received});
}

const std::vector<MemoryStore::StoredMail>& MemoryStore::mails(FolderId id) const {
  return folder(id).mails;
}

const MemoryStore::Folder& MemoryStore::folder(FolderId id) const {
  if (id >= folders_.size()) throw StoreError("no folder " + std::to_string(id) + " in the store");
  return folders_[id];
}

StoreBackendFactory MemoryStore::factory(MemoryStore** made) {
  return [made](const std::string&, const std::u16string& displayName,
                const StoreWarningHandler&) -> std::unique_ptr<StoreBackend> {
    auto store = std::make_unique<MemoryStore>(displayName);
    if (made) *made = store.get();
    return store;
  };
}

}  // namespace qm::mail
