#include "mailbox/mailbox_tree.h"

#include <algorithm>
#include <map>
#include <set>

#include "convert/store_signature.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {

using convert::StoreCheck;

constexpr int kDeepestFolder = 64;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool endsWithDbx(const std::string& name) { return name.size() > 4 && lower(name.substr(name.size() - 4)) == ".dbx"; }

// The .dbx files of the folder, by their names in lower case (names on Windows are the same
// whatever their case).
struct StoreFiles {
  std::map<std::string, std::string> byName;  // lower-case name -> file name as it stands
  std::set<std::string> used;
};

class TreeBuilder {
 public:
  TreeBuilder(const std::string& dir, const FolderList& list, StoreFiles& files, Mailbox& out)
      : dir_(dir), files_(files), out_(out) {
    for (const auto& f : list.folders) {
      if (!byId_.emplace(f.id, &f).second) continue;  // a second record of one id is a stale copy
      order_.push_back(&f);
    }
    for (const FolderRecord* f : order_) {
      if (f->parent != folder_index::kNoParent && f->parent != f->id && byId_.count(f->parent))
        children_[f->parent].push_back(f);
    }
    for (auto& [id, kids] : children_) {
      std::stable_sort(kids.begin(), kids.end(), [](const FolderRecord* a, const FolderRecord* b) {
        return lower(a->name) < lower(b->name);
      });
    }
  }

  void build() {
    // Below the root come "Local Folders" (whose folders are the top of the tree) and the
    // nodes of mail accounts, each a top-level folder with its own subfolders.
    for (const FolderRecord* f : order_) {
      if (f->parent != folder_index::kNoParent || placed_.count(f->id)) continue;
      placed_.insert(f->id);
      for (const FolderRecord* c : childrenOf(f->id)) placeTop(c);
    }
    // Records cut off from the root (a parent missing, a loop) still name stores.
    for (const FolderRecord* f : order_) {
      if (placed_.count(f->id)) continue;
      out_.notes.push_back("the folder \"" + f->name + "\" is not linked into the folder tree; it is put at the top");
      out_.top.push_back(make(f, 0));
    }
  }

 private:
  std::vector<const FolderRecord*> childrenOf(std::uint32_t id) {
    auto it = children_.find(id);
    return it == children_.end() ? std::vector<const FolderRecord*>{} : it->second;
  }

  void placeTop(const FolderRecord* f) {
    if (placed_.count(f->id)) return;
    if (f->id == folder_index::kLocalFolders && f->storeFile.empty()) {
      placed_.insert(f->id);
      for (const FolderRecord* c : childrenOf(f->id)) placeTop(c);
      return;
    }
    out_.top.push_back(make(f, 0));
  }

  MailboxFolder make(const FolderRecord* f, int depth) {
    placed_.insert(f->id);
    MailboxFolder folder;
    folder.name = f->name.empty() ? "Folder " + std::to_string(f->id) : f->name;
    folder.special = f->special;
    if (!f->storeFile.empty()) {
      auto it = files_.byName.find(lower(f->storeFile));
      if (it != files_.byName.end() && !files_.used.count(it->first)) {
        files_.used.insert(it->first);
        folder.storePath = dir_ + platform::pathSeparator() + it->second;
        ++out_.stores;
      } else if (it == files_.byName.end()) {
        std::string note = "the store file " + f->storeFile + " of the folder \"" + folder.name + "\" is missing";
        if (f->mailCount > 0) {
          note += " (the folder list counted " + std::to_string(f->mailCount) + " mails in it)";
          ++out_.missingStores;
        }
        out_.notes.push_back(note);
      }
    }
    // Folders deeper than any real tree are left for the top, where they start anew.
    if (depth >= kDeepestFolder) return folder;
    for (const FolderRecord* c : childrenOf(f->id)) {
      if (!placed_.count(c->id)) folder.children.push_back(make(c, depth + 1));
    }
    return folder;
  }

  const std::string& dir_;
  StoreFiles& files_;
  Mailbox& out_;
  std::map<std::uint32_t, const FolderRecord*> byId_;
  std::vector<const FolderRecord*> order_;
  std::map<std::uint32_t, std::vector<const FolderRecord*>> children_;
  std::set<std::uint32_t> placed_;
};

}  // namespace

Mailbox treeOf(const std::string& dir, const FolderList& list, std::vector<std::string>& storeFiles) {
  Mailbox box;
  box.folder = dir;
  StoreFiles files;
  for (const auto& name : storeFiles) files.byName.emplace(lower(name), name);
  TreeBuilder(dir, list, files, box).build();
  std::erase_if(storeFiles, [&](const std::string& name) { return files.used.count(lower(name)) != 0; });
  return box;
}

Mailbox readMailbox(const std::string& dir) {
  std::vector<std::string> storeFiles;
  std::string folderList;
  for (const auto& e : platform::listDirectory(dir)) {
    if (e.isDirectory || !endsWithDbx(e.name)) continue;
    if (lower(e.name) == "folders.dbx") folderList = e.name;
    else storeFiles.push_back(e.name);
  }
  FolderList list;
  if (!folderList.empty()) list = readFolderList(dir + platform::pathSeparator() + folderList);
  Mailbox box = treeOf(dir, list, storeFiles);
  if (folderList.empty()) {
    box.notes.insert(box.notes.begin(), "there is no Folders.dbx: the folder tree is unknown");
  } else if (!list.complete) {
    box.notes.insert(box.notes.begin(), "Folders.dbx is damaged (" + list.problem + "): " +
                                            std::to_string(list.folders.size()) + " folders could be read");
  }

  // Every other message store of the folder, and every .dbx file whose header is too
  // damaged to tell its kind, is converted under "Unlisted stores".
  MailboxFolder unlisted;
  unlisted.name = kUnlistedStores;
  std::sort(storeFiles.begin(), storeFiles.end(), [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  for (const auto& name : storeFiles) {
    const std::string path = dir + platform::pathSeparator() + name;
    const StoreCheck check = convert::checkStoreSignature(path);
    if (check == StoreCheck::OtherKind || check == StoreCheck::Unopenable) continue;
    MailboxFolder f;
    f.name = name.substr(0, name.size() - 4);
    f.storePath = path;
    unlisted.children.push_back(std::move(f));
    ++box.stores;
  }
  if (!unlisted.children.empty()) {
    box.notes.push_back(std::to_string(unlisted.children.size()) + " stores the folder list does not name are under \"" +
                        kUnlistedStores + "\"");
    box.top.push_back(std::move(unlisted));
  }
  return box;
}

std::vector<FolderVisit> foldersOf(const Mailbox& mailbox) {
  std::vector<FolderVisit> out;
  std::vector<std::string> path;
  const auto visit = [&](const auto& self, const MailboxFolder& f) -> void {
    path.push_back(f.name);
    out.push_back({&f, path});
    for (const auto& c : f.children) self(self, c);
    path.pop_back();
  };
  for (const auto& f : mailbox.top) visit(visit, f);
  return out;
}

}  // namespace qm::mailbox
