// Folder and file names made from folder names as the user typed them: safe on every file
// system we write to, and distinct among the siblings of one folder.
#pragma once

#include <set>
#include <string>

namespace qm::mailbox {

// `name` with the characters no Windows file name may hold (\ / : * ? " < > | and control
// characters) turned into '_', without trailing dots and blanks, at most 120 bytes of UTF-8,
// never empty or a reserved device name (CON, NUL, COM1...).
std::string safeName(const std::string& name);

// The names already taken among one folder's children, compared without case as Windows
// does.
class SiblingNames {
 public:
  // `name` itself when free, else "name (2)", "name (3)"...; the result is taken.
  std::string take(const std::string& name);

 private:
  std::set<std::string> taken_;
};

}  // namespace qm::mailbox
