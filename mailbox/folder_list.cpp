#include "mailbox/folder_list.h"

#include <memory>

#include "oestore/index_tree.h"
#include "oestore/indexed_record.h"
#include "oestore/store_index.h"
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
  const std::unique_ptr<oe::FileSource> source = oe::FileSource::open(path);
  if (!source) {
    FolderList list;
    list.problem = "it cannot be read";
    return list;
  }
  return readFolderList(*source);
}

FolderList readFolderList(oe::StoreSource& source) {
  FolderList list;
  const oe::StoreHeader header = oe::readStoreHeader(source);
  if (header.kind != oe::StoreKind::FolderList) {
    list.problem = std::string("it is no folder list: ") + oe::storeKindName(header.kind);
    return list;
  }
  if (header.treeCount < 1) {
    list.problem = "its header names no index";
    return list;
  }
  oe::TreeWalk walk = oe::walkTree(source, header.treeRoots[0], header.treeCounts[0]);
  std::vector<std::string> problems = std::move(walk.problems);
  for (const std::uint32_t value : walk.values) {
    oe::RecordRead read = oe::readRecord(source, value);
    if (!read.record) {
      problems.push_back("a folder record cannot be read");
      continue;
    }
    const oe::IndexedRecord& r = *read.record;
    FolderRecord f;
    f.id = r.number(folder_index::kId);
    f.parent = r.number(folder_index::kParent);
    f.name = nameText(r.text(folder_index::kName));
    f.storeFile = nameText(r.text(folder_index::kStoreFile));
    f.special = specialOf(r.number(folder_index::kSpecial));
    f.mailCount = r.number(folder_index::kMailCount);
    list.folders.push_back(std::move(f));
  }
  list.complete = problems.empty();
  if (!problems.empty()) list.problem = problems.front();
  return list;
}

}  // namespace qm::mailbox
