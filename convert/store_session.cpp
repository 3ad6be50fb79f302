#include "convert/store_session.h"

namespace qm::convert {

StoreSession::StoreSession(SessionFactory factory) : factory_(std::move(factory)) {
  if (!factory_) factory_ = [] { return std::make_unique<mail::RDOSession>(); };
}

StoreSession::~StoreSession() = default;

ModeSetup StoreSession::open(RunContext& run, const std::string& storePath, bool sessionLineToErrorLog) {
  switch (componentStep(run, [&] { session_ = factory_(); })) {
    case StepResult::Stopped: return ModeSetup::stopped();
    case StepResult::Threw: return ModeSetup::failed({}, "Exception while creating session");
    case StepResult::Done: break;
  }
  if (!session_) {
    return ModeSetup::failed("Could not create connection with Microsoft Outlook", "Could not create session");
  }
  if (sessionLineToErrorLog) run.logError("session created");
  else run.log("session created");
  session_->setWarningHandler([&run](const std::string& text) { run.logError(text); });

  const ModeSetup exception = ModeSetup::failed({}, "Exception while creating LogonPstStore");
  StepResult step = componentStep(run, [&] {
    store_ = session_->logonPstStore(storePath, kStoreDisplayName);
    // From here on, a stopped run leaves the store file complete with what was saved: the
    // run's thread flushes it once the mail under way is in.
    if (store_) run.atStop([store = store_.get()] { store->flush(); });
  });
  if (step != StepResult::Done) return step == StepResult::Stopped ? ModeSetup::stopped() : exception;
  if (!store_) return ModeSetup::failed("Could not create Output PST file", "Could not create LogonPstStore");
  run.logError("LogonPstStore created");

  bool loggedOn = false;
  step = componentStep(run, [&] { loggedOn = session_->loggedOn(); });
  if (step != StepResult::Done) return step == StepResult::Stopped ? ModeSetup::stopped() : exception;
  if (!loggedOn) {
    return ModeSetup::failed("Unable To Logon. Pls contact your Administrator", "Logon failed. After creating PSTStore");
  }
  step = componentStep(run, [&] { store_->ensureStandardFolders(); });
  if (step != StepResult::Done) return step == StepResult::Stopped ? ModeSetup::stopped() : exception;
  return ModeSetup::ready();
}

void StoreSession::reportStoreFailure(RunContext& run, const std::string& reason) {
  run.showMessage("Could not write Output PST file:\n" + reason, MessageKind::Error);
  run.logError("Could not write Output PST file: " + reason);
}

bool StoreSession::flush(RunContext& run) {
  if (!store_) return true;
  try {
    run.longOutput([&] { store_->flush(); });
    return true;
  } catch (const std::exception& e) {
    reportStoreFailure(run, e.what());
  } catch (...) {
    reportStoreFailure(run, "unknown error");
  }
  return false;
}

void StoreSession::release(RunContext& run, const std::function<void()>& held) {
  // A stopped run does not flush here: its stop action flushes the store instead, once.
  try {
    if (store_) run.longOutput([&] { store_->flush(); });
  } catch (...) {
    // The run has ended or failed already; the file keeps what its last flush made durable.
  }
  run.atStop({});
  if (held) held();
  store_.reset();
  session_.reset();
}

}  // namespace qm::convert
