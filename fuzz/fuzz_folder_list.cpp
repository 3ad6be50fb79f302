// Fuzz target: the folder list of a store folder (Folders.dbx) and the tree built from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mailbox/folder_list.h"
#include "mailbox/mailbox_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  oe::MemorySource source(qm::Bytes(data, size));
  const qm::mailbox::FolderList list = qm::mailbox::readFolderList(source);
  std::vector<std::string> stores{"Inbox.dbx", "kde.dbx", "Sent Items.dbx"};
  const qm::mailbox::Mailbox box = qm::mailbox::treeOf("store", list, stores);
  return static_cast<int>(qm::mailbox::foldersOf(box).size() & 0);
}
