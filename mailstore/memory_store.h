// A store that keeps its folder tree and mails in memory: the store behind the component
// in tests, and wherever mails are only passed through.
#pragma once

#include <string>
#include <vector>

#include "mailstore/component_setup.h"
#include "mailstore/store_backend.h"

namespace qm::mail {

class MemoryStore : public StoreBackend {
 public:
  struct StoredMail {
    Message message;
    bool received = false;
  };

  explicit MemoryStore(std::u16string displayName = {});

  void ensureStandardFolders() override;
  FolderId rootFolder() override { return 0; }
  std::optional<FolderId> defaultFolder(DefaultFolder which) override;
  std::vector<FolderId> childFolders(FolderId parent) override;
  std::u16string folderName(FolderId folder) override;
  std::string folderClass(FolderId folder) override;
  FolderId addFolder(FolderId parent, const std::u16string& name,
                     const std::string& containerClass) override;
  void addMessage(FolderId folder, const Message& message, bool received) override;
  void flush() override { ++flushes_; }

  const std::u16string& displayName() const { return displayName_; }
  const std::vector<StoredMail>& mails(FolderId folder) const;
  int flushes() const { return flushes_; }

  // A factory that makes memory stores and, when `made` is given, tells where the last one
  // is (it lives as long as the session that logged on to it).
  static StoreBackendFactory factory(MemoryStore** made = nullptr);

 private:
  struct Folder {
    FolderId parent;
    std::u16string name;
    std::string containerClass;
    std::vector<StoredMail> mails;
  };
  const Folder& folder(FolderId id) const;

  std::u16string displayName_;
  std::vector<Folder> folders_;
  std::vector<std::pair<DefaultFolder, FolderId>> defaults_;
  int flushes_ = 0;
};

}  // namespace qm::mail
