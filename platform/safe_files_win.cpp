// Windows side of the safe file operations: wide-character calls on UTF-8 paths.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include <cstdio>

#include "platform/safe_files.h"
#include "platform/safe_files_os.h"
#include "platform/text_win.h"

namespace qm::platform {

bool isLink(const std::string& utf8Path) {
  const DWORD attributes = GetFileAttributesW(toWide(utf8Path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

namespace os {

bool makePrivateDirectory(const std::string& utf8Path) {
  // Full access for the owner, inherited by everything made inside; no inherited entries.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;OW)", SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  // CreateDirectoryW fails on any existing name, a link or a junction included.
  const bool made = CreateDirectoryW(toWide(utf8Path).c_str(), &attributes) != 0;
  LocalFree(descriptor);
  return made;
}

std::FILE* createNewFileIn(const OutputFolder& folder, const std::string& name) {
  const std::string utf8Path = folder.pathOf(name);
  // CREATE_NEW fails on any existing name; the file takes the folder's inherited access.
  HANDLE h = CreateFileW(toWide(utf8Path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_BINARY | _O_RDWR);
  if (fd < 0) {
    CloseHandle(h);
    DeleteFileW(toWide(utf8Path).c_str());
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "w+b");
  if (!stream) {
    _close(fd);
    DeleteFileW(toWide(utf8Path).c_str());
  }
  return stream;
}

// Windows makes no file without a name: every output file takes a partial name first.
std::FILE* createUnnamedFile(const OutputFolder&) { return nullptr; }

Naming nameUnnamedFile(std::FILE*, const OutputFolder&, const std::string&) { return Naming::Failed; }

bool renameIn(const OutputFolder& folder, const std::string& from, const std::string& to,
              OutputFile::Replace replace) {
  const DWORD flags = replace == OutputFile::Replace::Existing ? MOVEFILE_REPLACE_EXISTING : 0;
  return MoveFileExW(toWide(folder.pathOf(from)).c_str(), toWide(folder.pathOf(to)).c_str(), flags) != 0;
}

void deleteIn(const OutputFolder& folder, const std::string& name) {
  DeleteFileW(toWide(folder.pathOf(name)).c_str());
}

bool existsIn(const OutputFolder& folder, const std::string& name) {
  return GetFileAttributesW(toWide(folder.pathOf(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool removeLink(const std::string& utf8Path) {
  const std::wstring path = toWide(utf8Path);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // A directory link or junction is removed as a folder, without entering it.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(path.c_str()) != 0;
  return DeleteFileW(path.c_str()) != 0;
}

void removeTree(const std::string& utf8Path) {
  // MinGW's file system library takes a junction for the folder it points at; the entries
  // are looked at here instead, and a reparse point is removed without being entered.
  const std::wstring folder = toWide(utf8Path);
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string path = utf8Path + "\\" + fromWide(name);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) removeLink(path);
      else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path);
      else DeleteFileW(toWide(path).c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace os

FolderHold::~FolderHold() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

std::unique_ptr<FolderHold> FolderHold::take(const std::string& utf8Path) {
  if (isLink(utf8Path)) return nullptr;
  // The folder opened for adding files, shared for reading and deleting but not for adding:
  // a second hold asks for the same access and is refused, while listing the folder and
  // making, renaming and deleting files in it go on as before.
  HANDLE h = CreateFileW(toWide(utf8Path).c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<FolderHold>(new FolderHold(reinterpret_cast<std::intptr_t>(h)));
}

// The folder is reached through its path; the files made in it inherit its access list.
OutputFolder::OutputFolder(const std::string& utf8Path) : path_(utf8Path) {}

OutputFolder::~OutputFolder() = default;

}  // namespace qm::platform
