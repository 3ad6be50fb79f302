// The counts of a conversion run, store by store, as the command line reports them: taken
// from the run's events, so that they are true however the run ends (Ctrl-C in the middle
// of a store included), with the first reason of every store that failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/run_input.h"
#include "convert/run_view.h"

struct StoreResult {
  enum class State {
    Waiting,   // not reached
    Running,   // being converted
    Finished,  // converted to its end (mails may have failed)
    Unopened,  // the engine could not open it
    Stopped,   // Ctrl-C stopped the run in it
    Broken,    // a failure ended the run in it
  };
  int index = 0;
  std::string fileName;
  std::string sourcePath;
  std::string outputFolder;
  State state = State::Waiting;
  int mailsFound = -1;  // entries of the engine's mail list, -1 until known
  int written = 0;
  int failed = 0;
  int leftOut = 0;         // refused by --recovery: no recognisable header
  int rejectedChains = 0;  // chains dropped as incomplete
  int strayBlocks = 0;     // blocks that belong to no mail
  int headerless = 0;      // mails written without a recognisable header
  std::string reason;      // the first reason a mail or the store failed

  bool clean() const { return state == State::Finished && failed == 0; }
  bool damaged() const { return rejectedChains + strayBlocks + headerless > 0; }
};

struct RunTotals {
  int stores = 0;
  int converted = 0;  // stores converted to their end with no failed mail
  std::int64_t written = 0, failed = 0, leftOut = 0;
  std::int64_t rejectedChains = 0, strayBlocks = 0, headerless = 0;
};

class StoreTally {
 public:
  StoreTally(const std::vector<qm::convert::SourceRow>& sources, bool recovery);

  void fileStarted(const qm::convert::FileStart& file);
  void mailsFound(int count);
  void mailDone(qm::convert::MailResult result);
  void fileFinished(const qm::convert::FileReport& report);
  // A line for the run's error log, and a message box of the Error kind: the raw material
  // of the reasons. Returns whether the message became the current store's reason.
  void errorLine(const std::string& text);
  bool errorMessage(const std::string& text);
  // The run has ended, stopped by Ctrl-C or not. A store a failure ended the run in counts
  // every mail it did not write as failed. `lastFile` is the worker's own report of the
  // store it ended in: a stopped store counts the mails it holds from there, the last one
  // included, whose report the stop cut off.
  void runEnded(bool interrupted, const qm::convert::FileReport& lastFile);
  // Replaces the reason of store `index`.
  void explain(int index, std::string reason);

  const std::vector<StoreResult>& stores() const { return stores_; }
  // The store the run is in, or nullptr between stores.
  const StoreResult* current() const;
  RunTotals totals() const;

 private:
  StoreResult* running();

  std::vector<StoreResult> stores_;
  bool recovery_;
  int current_ = -1;
  std::vector<std::string> mailLines_;  // error lines since the last mail was done
};

// "1 mail", "3 mails".
std::string counted(std::int64_t n, const char* one, const char* many);

// "12 chains dropped as incomplete, 3 mails without a recognisable header (--recovery
// leaves them out), 40 blocks in no mail"; empty when there is nothing to say.
std::string damageText(std::int64_t rejectedChains, std::int64_t headerless,
                       std::int64_t strayBlocks);
