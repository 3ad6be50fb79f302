// Reads the outputs of a mailbox conversion back with independent readers: pffexport for
// the personal folder file, Python's mailbox module for the mbox files, the file system for
// the .eml folders.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm::mailbox::test {

// One mail of a personal folder file as pffexport shows it.
struct PstMail {
  std::string subject;
  std::string flags;     // "0x00000001 (Read)"
  std::string delivery;  // "Apr 14, 2005 15:13:41.000000000 UTC"
  std::string flagStatus;
};
// Folder path below the top of the file ("Inbox/KDE") -> its mails, in the file's order.
// Empty when pffexport is not installed (`ran` false).
struct PstTree {
  bool ran = false;
  std::map<std::string, std::vector<PstMail>> folders;
};
PstTree exportPst(const std::string& pstPath, const std::string& work);

// Folder path -> number of mails readpst writes for it ("" when it is not installed).
std::map<std::string, int> readpstCounts(const std::string& pstPath, const std::string& work);

struct MboxMail {
  std::string status, xStatus;
  std::string text;  // the mail as it stood before it went into the file
};
// File path below the root ("Posteingang.sbd/KDE") -> its mails.
std::map<std::string, std::vector<MboxMail>> readMboxTree(const std::string& root, const std::string& work);

// Folder path below the root -> the .eml files in it, by name.
std::map<std::string, std::map<std::string, std::string>> readEmlTree(const std::string& root);

std::string fileText(const std::string& path);
std::int64_t modificationTime(const std::string& path);
// The output of a command, and whether it ended with status 0.
bool runCommand(const std::string& command, std::string* output = nullptr);

}  // namespace qm::mailbox::test
