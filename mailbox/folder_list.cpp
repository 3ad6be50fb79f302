#include "mailbox/folder_list.h"

#include <memory>

#include "mailbox/index_records.h"
#include "platform/bytes.h"
#include "platform/charset.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {

// Folder names are stored in the system's ANSI code page; windows-1252 on the machines the
// stores come from.
std::string nameText(const std::string& stored) {
  return platform::utf16ToUtf8(platform::windows1252ToUtf16(stored));
}

SpecialFolder specialOf(std::uint32_t kind) {
  return kind >= 1 && kind <= 5 ? static_cast<SpecialFolder>(kind) : SpecialFolder::None;
}

}  // namespace

FolderList readFolderList(const std::string& path) {
  FolderList list;
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(path, "rb"));
  if (!file) {
    list.problem = "it cannot be read";
    return list;
  }
  const std::uint64_t size = platform::fileSize(path).value_or(0);
  std::uint8_t signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) == 8 && loadLe32(signature + 4) != folder_index::kFolderListKind &&
      loadLe32(signature) == index_layout::kFileMagic) {
    list.problem = "it is a store of another kind";
    return list;
  }
  TreeRecords tree = readTreeRecords(file.get(), size, 0);
  for (const auto& r : tree.records) {
    FolderRecord f;
    f.id = r.number(folder_index::kId).value_or(0);
    f.parent = r.number(folder_index::kParent).value_or(0);
    f.name = nameText(r.text(folder_index::kName).value_or(""));
    f.storeFile = nameText(r.text(folder_index::kStoreFile).value_or(""));
    f.special = specialOf(r.number(folder_index::kSpecial).value_or(0));
    list.folders.push_back(std::move(f));
  }
  list.complete = tree.complete;
  list.problem = tree.problem;
  return list;
}

}  // namespace qm::mailbox
