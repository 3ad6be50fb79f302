// A whole Outlook Express store folder as its user saw it: the folder tree from Folders.dbx
// with the store file of each folder, and the stores the tree does not name.
#pragma once

#include <string>
#include <vector>

#include "mailbox/folder_list.h"

namespace qm::mailbox {

// The top-level folder that takes the stores the folder list does not name.
inline constexpr const char* kUnlistedStores = "Unlisted stores";
// The subfolder of each folder that takes the mails its store's index no longer lists.
inline constexpr const char* kRecoveredFolder = "Recovered";

struct MailboxFolder {
  std::string name;       // UTF-8, as the user saw it
  std::string storePath;  // the folder's message store; empty when it has none
  SpecialFolder special = SpecialFolder::None;
  std::vector<MailboxFolder> children;
};

struct Mailbox {
  std::string folder;                // the store folder
  std::vector<MailboxFolder> top;    // the folders under "Local Folders", then the others
  std::vector<std::string> notes;    // what the user should know: a missing or damaged list...
  int stores = 0;                    // folders with a store file
  int missingStores = 0;             // store files the list names with mails in them, not found
};

// Reads the store folder `dir`. Never fails: without a usable Folders.dbx every message
// store in the folder is put under "Unlisted stores".
Mailbox readMailbox(const std::string& dir);

// The tree a folder list gives over the store files of the folder `dir` (names only; no file
// is read). Store files the list names are taken out of `storeFiles`.
Mailbox treeOf(const std::string& dir, const FolderList& list, std::vector<std::string>& storeFiles);

// Every folder of the tree in depth-first order, with its path of names from the top.
struct FolderVisit {
  const MailboxFolder* folder = nullptr;
  std::vector<std::string> path;
};
std::vector<FolderVisit> foldersOf(const Mailbox& mailbox);

}  // namespace qm::mailbox
