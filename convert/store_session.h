// The mail-store objects an output kind works with for one source file: the session, the
// store file it logged on to, and the folders the kind takes from it. They are made afresh
// for each file and released at its end, the session last.
//
// Every call on the component is an output action of the run: it does not begin once the
// run is stopped. From logon to release, a stopped run flushes the store on its own thread
// after the mail under way, so it leaves a store file with every mail saved before it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "convert/output_mode.h"
#include "mailstore/rdo_objects.h"

namespace qm::convert {

// The display name of every store a run writes.
inline constexpr const char* kStoreDisplayName = "Tarnwick Converted Mails";

// The outcome of one call on the component made as an output action.
enum class StepResult { Done, Stopped, Threw };

template <class Step>
StepResult componentStep(RunContext& run, Step&& step) {
  try {
    return run.output(std::forward<Step>(step)) ? StepResult::Done : StepResult::Stopped;
  } catch (...) {
    return StepResult::Threw;
  }
}

class StoreSession {
 public:
  // Makes the session; null stands for a component that cannot be reached.
  using SessionFactory = std::function<std::unique_ptr<mail::RDOSession>()>;

  // An empty factory makes sessions with the process-wide setup.
  explicit StoreSession(SessionFactory factory = {});
  ~StoreSession();
  StoreSession(const StoreSession&) = delete;
  StoreSession& operator=(const StoreSession&) = delete;

  // Creates the session ("session created" goes to the error log when
  // `sessionLineToErrorLog`, else to the execution log), logs on to the store file at
  // `storePath` under the display name, checks the logon and has the standard folders made.
  ModeSetup open(RunContext& run, const std::string& storePath, bool sessionLineToErrorLog);

  mail::RDOStore& store() { return *store_; }

  // Makes every mail saved so far durable. On failure: false, after the message box and the
  // error-log line.
  bool flush(RunContext& run);

  // Flushes what is left (a stopped run's stop action has flushed it) and lets go of
  // the store and the session. `held` releases the caller's objects of the store first.
  void release(RunContext& run, const std::function<void()>& held);

  // The message box and the error-log line for a store file that can no longer be written.
  static void reportStoreFailure(RunContext& run, const std::string& reason);

 private:
  SessionFactory factory_;
  std::unique_ptr<mail::RDOSession> session_;
  std::shared_ptr<mail::RDOStore> store_;
};

}  // namespace qm::convert
