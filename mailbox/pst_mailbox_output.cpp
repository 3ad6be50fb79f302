#include "mailbox/pst_mailbox_output.h"

#include "convert/store_session.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {

// The component's numbers of the standard folders.
std::int32_t defaultFolderNumber(SpecialFolder special) {
  switch (special) {
    case SpecialFolder::Inbox: return static_cast<std::int32_t>(mail::DefaultFolder::Inbox);
    case SpecialFolder::Outbox: return static_cast<std::int32_t>(mail::DefaultFolder::Outbox);
    case SpecialFolder::SentItems: return static_cast<std::int32_t>(mail::DefaultFolder::SentItems);
    case SpecialFolder::DeletedItems: return static_cast<std::int32_t>(mail::DefaultFolder::DeletedItems);
    case SpecialFolder::Drafts: return static_cast<std::int32_t>(mail::DefaultFolder::Drafts);
    case SpecialFolder::None: break;
  }
  return 0;
}

}  // namespace

const char* PstMailboxOutput::standardName(SpecialFolder special) {
  switch (special) {
    case SpecialFolder::Inbox: return "Inbox";
    case SpecialFolder::Outbox: return "Outbox";
    case SpecialFolder::SentItems: return "Sent Items";
    case SpecialFolder::DeletedItems: return "Deleted Items";
    case SpecialFolder::Drafts: return "Drafts";
    case SpecialFolder::None: break;
  }
  return "";
}

PstMailboxOutput::PstMailboxOutput(const std::string& path, std::string work, std::unique_ptr<mail::RDOSession> session)
    : path_(path), work_(std::move(work)), session_(std::move(session)) {
  try {
    if (!session_) session_ = std::make_unique<mail::RDOSession>();
    session_->setWarningHandler([this](const std::string& text) { leftOut_.push_back(text); });
    store_ = session_->logonPstStore(path, convert::kStoreDisplayName);
    if (!store_) throw OutputFailure("cannot create " + path + ": " + session_->lastError());
    store_->ensureStandardFolders();
    root_ = store_->ipmRootFolder();
    // The names the file has at its top already.
    auto children = root_->folders();
    for (std::int32_t i = 1; i <= children->count(); ++i) topNames_.take(children->item(i)->name());
  } catch (const OutputFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw OutputFailure("cannot create " + path + ": " + e.what());
  }
}

PstMailboxOutput::~PstMailboxOutput() = default;

int PstMailboxOutput::remember(std::shared_ptr<mail::RDOFolder> folder, SiblingNames children) {
  Folder f;
  f.items = folder->items();
  f.folder = std::move(folder);
  f.children = std::move(children);
  folders_.push_back(std::move(f));
  return static_cast<int>(folders_.size() - 1);
}

std::shared_ptr<mail::RDOFolder> PstMailboxOutput::specialFolder(SpecialFolder special) {
  const char* name = standardName(special);
  // The file's own standard folder; a folder of that name made at the top where the file
  // keeps none.
  if (auto own = store_->getDefaultFolder(defaultFolderNumber(special))) {
    topNames_.take(own->name());
    return own;
  }
  auto children = root_->folders();
  for (std::int32_t i = 1; i <= children->count(); ++i) {
    auto child = children->item(i);
    if (child && child->name() == name) return child;
  }
  topNames_.take(name);
  return children->add(name, mail::folder_kinds::kMail);
}

int PstMailboxOutput::makeFolder(int parent, const std::string& name, SpecialFolder special) {
  try {
    if (parent == kTop && special != SpecialFolder::None) {
      // A second folder of the same special kind is an ordinary folder.
      if (mapped_.insert(special).second) return remember(specialFolder(special));
    }
    SiblingNames& names = parent == kTop ? topNames_ : folders_.at(static_cast<std::size_t>(parent)).children;
    auto& under = parent == kTop ? root_ : folders_.at(static_cast<std::size_t>(parent)).folder;
    return remember(under->folders()->add(names.take(name), mail::folder_kinds::kMail));
  } catch (const std::exception& e) {
    throw OutputFailure(std::string("cannot make the folder \"") + name + "\" in " + path_ + ": " + e.what());
  }
}

bool PstMailboxOutput::addMail(int folder, const std::string& emlPath, const MailState& state) {
  bool saved = false;
  try {
    auto mail = folders_.at(static_cast<std::size_t>(folder)).items->add(mail::folder_kinds::kMail);
    mail->importFile(emlPath, mail::formats::kImportRfc822);
    mail->setReceived(true);
    if (state.listed) {
      mail->setUnread(!state.read);
      mail->setFlagged(state.flagged);
      if (state.received) mail->setReceivedTime(*state.received);
    }
    mail->save();
    saved = true;
  } catch (const mail::StoreFailure& e) {
    platform::deleteFile(emlPath);
    throw OutputFailure(std::string("cannot write ") + path_ + ": " + e.what());
  } catch (const std::exception&) {
    // This mail could not be read or taken; the next one may.
  }
  platform::deleteFile(emlPath);
  return saved;
}

void PstMailboxOutput::finish() {
  try {
    store_->flush();
  } catch (const std::exception& e) {
    throw OutputFailure(std::string("cannot write ") + path_ + ": " + e.what());
  }
}

}  // namespace qm::mailbox
