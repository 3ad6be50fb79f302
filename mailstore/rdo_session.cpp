// The session and the store.
#include "mailstore/rdo_objects.h"
#include "mailstore/store_context.h"
#include "platform/charset.h"

namespace qm::mail {

RDOSession::RDOSession() : RDOSession(defaultComponentSetup()) {}

RDOSession::RDOSession(ComponentSetup setup) : setup_(std::move(setup)) {}

RDOSession::~RDOSession() = default;

std::shared_ptr<RDOStore> RDOSession::logonPstStore(const std::string& utf8Path,
                                                    const std::string& displayName) {
  if (store_) throw ComponentError("the session is logged on to a store already");
  lastError_.clear();
  if (!setup_.storeFactory) {
    lastError_ = "no store file kind is available";
    return nullptr;
  }
  std::unique_ptr<StoreBackend> backend;
  try {
    backend = setup_.storeFactory(utf8Path, platform::utf8ToUtf16(displayName), warn_);
  } catch (const StoreError& e) {
    lastError_ = e.what();
    return nullptr;
  } catch (const std::exception& e) {
    throw ComponentError(std::string("creating the store: ") + e.what());
  }
  if (!backend) {
    lastError_ = "the store file could not be created";
    return nullptr;
  }
  store_ = std::make_shared<StoreContext>(std::move(backend), setup_);
  return std::make_shared<RDOStore>(store_);
}

bool RDOSession::loggedOn() const { return store_ != nullptr; }

RDOStore::RDOStore(std::shared_ptr<StoreContext> context) : context_(std::move(context)) {}

std::shared_ptr<RDOFolder> RDOStore::ipmRootFolder() {
  const FolderId root = guarded("reading the root folder", [&] { return context_->backend->rootFolder(); });
  return std::make_shared<RDOFolder>(context_, root);
}

std::shared_ptr<RDOFolder> RDOStore::getDefaultFolder(std::int32_t number) {
  DefaultFolder which;
  switch (number) {
    case 3: which = DefaultFolder::DeletedItems; break;
    case 4: which = DefaultFolder::Outbox; break;
    case 5: which = DefaultFolder::SentItems; break;
    case 6: which = DefaultFolder::Inbox; break;
    case 16: which = DefaultFolder::Drafts; break;
    default: return nullptr;
  }
  const auto id = guarded("reading a default folder", [&] { return context_->backend->defaultFolder(which); });
  if (!id) return nullptr;
  return std::make_shared<RDOFolder>(context_, *id);
}

void RDOStore::ensureStandardFolders() {
  guarded("making the standard folders", [&] { context_->backend->ensureStandardFolders(); });
}

void RDOStore::flush() {
  storeGuarded("writing the store file", [&] { context_->backend->flush(); });
}

}  // namespace qm::mail
