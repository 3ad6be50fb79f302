#include "mailstore/cfb/cfb_tree.h"

#include <stdexcept>

#include "mailstore/cfb/cfb_format.h"

namespace qm::cfb {

CfbTree::CfbTree() {
  Entry root;
  root.name = u"Root Entry";
  root.storage = true;
  entries_.push_back(std::move(root));
}

std::size_t CfbTree::add(std::size_t parent, std::u16string name, bool storage) {
  if (parent >= entries_.size() || !entries_[parent].storage) throw std::logic_error("not a storage");
  if (name.empty() || name.size() > dirent::kNameMaxUnits) throw std::invalid_argument("bad compound file entry name");
  Entry e;
  e.name = std::move(name);
  e.storage = storage;
  entries_.push_back(std::move(e));
  const std::size_t index = entries_.size() - 1;
  entries_[parent].children.push_back(index);
  return index;
}

std::size_t CfbTree::addStorage(std::size_t parent, std::u16string name, const Clsid& clsid) {
  const std::size_t i = add(parent, std::move(name), true);
  entries_[i].clsid = clsid;
  return i;
}

std::size_t CfbTree::addStream(std::size_t parent, std::u16string name, std::vector<std::uint8_t> data) {
  const std::size_t i = add(parent, std::move(name), false);
  entries_[i].owned = std::move(data);
  entries_[i].view = Bytes(entries_[i].owned);
  return i;
}

std::size_t CfbTree::addStreamView(std::size_t parent, std::u16string name, Bytes data) {
  const std::size_t i = add(parent, std::move(name), false);
  entries_[i].view = data;
  return i;
}

}  // namespace qm::cfb
