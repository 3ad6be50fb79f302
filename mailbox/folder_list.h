// The folder list of an Outlook Express store folder (Folders.dbx): one record per folder
// with its id, its parent's id, its name as the user saw it, its store file and whether it
// is one of the special folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oestore/store_source.h"

namespace qm::mailbox {

// The special folders, numbered as the folder list numbers them.
enum class SpecialFolder : std::uint32_t { None = 0, Inbox = 1, Outbox = 2, SentItems = 3, DeletedItems = 4, Drafts = 5 };

// Folder record indexes.
namespace folder_index {
inline constexpr std::uint8_t kId = 0x00;
inline constexpr std::uint8_t kParent = 0x01;
inline constexpr std::uint8_t kName = 0x02;
inline constexpr std::uint8_t kStoreFile = 0x03;
inline constexpr std::uint8_t kMailCount = 0x07;
inline constexpr std::uint8_t kSpecial = 0x09;
inline constexpr std::uint32_t kNoParent = 0xFFFFFFFF;  // the root "Outlook Express"
inline constexpr std::uint32_t kLocalFolders = 1;
}  // namespace folder_index

struct FolderRecord {
  std::uint32_t id = 0;
  std::uint32_t parent = 0;
  std::string name;       // UTF-8 (stored in windows-1252)
  std::string storeFile;  // "Inbox.dbx"; empty when the folder has no store yet
  SpecialFolder special = SpecialFolder::None;
  std::uint32_t mailCount = 0;  // as the list last counted them
};

struct FolderList {
  std::vector<FolderRecord> folders;  // in id order, as the index lists them
  bool complete = false;              // every record the file counts was read
  std::string problem;                // why not
};

// Reads the folder list at `path`. A file that is missing, of another kind or damaged gives
// what could be read (possibly nothing), with `complete` false.
FolderList readFolderList(const std::string& path);
FolderList readFolderList(oe::StoreSource& source);

}  // namespace qm::mailbox
