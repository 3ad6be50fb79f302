// Writes Outlook Express store folders for tests: message stores whose index lists their
// mails (or some of them) with a state, and the folder list (Folders.dbx) that names them.
// The layout follows Outlook Express's own: records in the variable segment, the mails'
// blocks from 0xEAD4 on, one tree node holding the index (at most 51 entries).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::mailboxgen {

struct GenMail {
  std::string text;
  bool listed = true;           // false: the blocks are there, the index no longer lists it
  std::uint32_t flags = 0x81;   // downloaded and read
  std::uint64_t received = 0;   // FILETIME; 0 leaves the field out
  std::uint64_t date = 0;       // FILETIME; 0 leaves the field out
};

// A message store holding the mails, back to back, with an index of the listed ones.
std::vector<std::uint8_t> messageStore(const std::vector<GenMail>& mails);

// The file offset of mail m's block b in the store messageStore() writes.
std::uint64_t blockOffset(const std::vector<GenMail>& mails, std::size_t mail, std::size_t block);

struct GenFolder {
  std::uint32_t id = 0;
  std::uint32_t parent = 0;  // 0xFFFFFFFF for the root
  std::string name;          // windows-1252
  std::string storeFile;     // empty: no store
  std::uint32_t special = 0;
  std::uint32_t mails = 0;
};

// A folder list naming the folders (which must be given in rising id order).
std::vector<std::uint8_t> folderList(const std::vector<GenFolder>& folders);

// The folders every profile has: the root "Outlook Express" (0) and "Local Folders" (1).
std::vector<GenFolder> standardFolders();

// A FILETIME of seconds since 1970.
std::uint64_t fileTimeOf(std::int64_t unixSeconds);

}  // namespace qm::mailboxgen
