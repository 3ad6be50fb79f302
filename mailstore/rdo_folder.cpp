// Folders, child-folder collections and item collections.
#include <array>

#include "mailstore/rdo_objects.h"
#include "mailstore/store_context.h"
#include "platform/charset.h"

namespace qm::mail {

namespace {

constexpr std::array<const char*, 6> kContainerClasses{
    "IPF.Note", "IPF.Appointment", "IPF.Contact", "IPF.Task", "IPF.Journal", "IPF.StickyNote"};

}  // namespace

std::string containerClassOfKind(std::int32_t kind) {
  if (kind < 0 || kind >= static_cast<std::int32_t>(kContainerClasses.size())) return kContainerClasses[0];
  return kContainerClasses[static_cast<std::size_t>(kind)];
}

std::int32_t kindOfContainerClass(const std::string& containerClass) {
  for (std::size_t i = 0; i < kContainerClasses.size(); ++i) {
    const std::string c = kContainerClasses[i];
    // Derived classes ("IPF.Note.Custom") are of their base's kind.
    if (containerClass == c || containerClass.starts_with(c + ".")) return static_cast<std::int32_t>(i);
  }
  return folder_kinds::kMail;
}

RDOFolder::RDOFolder(std::shared_ptr<StoreContext> context, FolderId id)
    : context_(std::move(context)), id_(id) {}

std::string RDOFolder::name() {
  return platform::utf16ToUtf8(guarded("reading a folder name", [&] { return context_->backend->folderName(id_); }));
}

std::shared_ptr<RDOItems> RDOFolder::items() { return std::make_shared<RDOItems>(context_, id_); }

std::shared_ptr<RDOFolders> RDOFolder::folders() { return std::make_shared<RDOFolders>(context_, id_); }

std::int32_t RDOFolder::kind() {
  return kindOfContainerClass(guarded("reading a folder class", [&] { return context_->backend->folderClass(id_); }));
}

RDOFolders::RDOFolders(std::shared_ptr<StoreContext> context, FolderId parent)
    : context_(std::move(context)), parent_(parent) {}

std::int32_t RDOFolders::count() {
  const auto children = guarded("listing folders", [&] { return context_->backend->childFolders(parent_); });
  return static_cast<std::int32_t>(children.size());
}

std::shared_ptr<RDOFolder> RDOFolders::item(std::int32_t index) {
  const auto children = guarded("listing folders", [&] { return context_->backend->childFolders(parent_); });
  if (index < 1 || static_cast<std::size_t>(index) > children.size()) return nullptr;
  return std::make_shared<RDOFolder>(context_, children[static_cast<std::size_t>(index) - 1]);
}

std::shared_ptr<RDOFolder> RDOFolders::add(const std::string& name, std::int32_t kind) {
  const FolderId id = guarded("adding a folder", [&] {
    return context_->backend->addFolder(parent_, platform::utf8ToUtf16(name), containerClassOfKind(kind));
  });
  return std::make_shared<RDOFolder>(context_, id);
}

RDOItems::RDOItems(std::shared_ptr<StoreContext> context, FolderId folder)
    : context_(std::move(context)), folder_(folder) {}

std::shared_ptr<RDOMail> RDOItems::add(std::int32_t kind) {
  if (kind != folder_kinds::kMail) return nullptr;
  return std::make_shared<RDOMail>(context_, folder_);
}

}  // namespace qm::mail
