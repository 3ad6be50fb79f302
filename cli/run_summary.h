// The command line's texts of a conversion run: a line per store, the warnings of a store,
// the summary, and the same as JSON objects for scripts.
#pragma once

#include <ostream>
#include <string>

#include "cli/store_tally.h"

// How the run ended, as the summary tells it.
struct RunEnding {
  bool interrupted = false;  // Ctrl-C
  bool endedEarly = false;   // a failure ended the run before its last store
  std::string destination;
  double seconds = 0;
  std::string completion;  // the run's completion message, shown only after a clean run
};

// "[1/3] Inbox.dbx: 6 of 6 mails written -> FOLDER" and the other states.
std::string storeLine(const StoreResult& store, int storeCount);
// The store's warnings and failure reason for standard error, one line each; empty when
// there are none.
std::string storeWarnings(const StoreResult& store);
std::string storeJson(const StoreResult& store);

// Whether every store was converted with no failed mail.
bool runClean(const StoreTally& tally, const RunEnding& ending);
void printSummary(std::ostream& out, const StoreTally& tally, const RunEnding& ending);
void printSummaryJson(std::ostream& out, const StoreTally& tally, const RunEnding& ending,
                      int exitStatus);

// "2.4 s" under a minute, "1:02" or "1:02:03" above.
std::string timeText(double seconds);
