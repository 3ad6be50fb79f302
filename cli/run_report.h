// What the command line shows of a conversion run while it goes: a line per store on the
// output stream when the store is done, its warnings and reasons on the error stream, and
// one progress line on the error stream that redraws itself in place (the only line that
// is ever redrawn). The counting is StoreTally's.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "cli/store_tally.h"
#include "convert/run_view.h"

struct ReportStyle {
  bool progress = false;   // draw the progress line
  bool storeLines = true;  // a line per store on the output stream
  bool json = false;       // the line per store as a JSON object
};

class RunReport : public qm::convert::RunView {
 public:
  // `sizes` are the source files' sizes in bytes, in list order (for throughput and time
  // left).
  RunReport(std::ostream& out, std::ostream& err, StoreTally& tally,
            std::vector<std::uint64_t> sizes, ReportStyle style);

  void runStarted(const qm::convert::RunStart& run) override;
  void fileStarted(const qm::convert::FileStart& file) override;
  void mailsFound(int count) override;
  void mailDone(const qm::convert::MailDone& mail) override;
  void fileFinished(const qm::convert::FileReport& report) override;
  void message(qm::convert::MessageKind kind, const std::string& text) override;
  void runEnded(const qm::convert::RunEnd& end) override;

  // A line the run writes to its error log: what the reasons are taken from.
  void errorLine(const std::string& text);

  // The run's completion message ("Files converted Successfully to ..."), if it came.
  const std::string& completion() const { return completion_; }
  // Clears the progress line and prints the lines of the store the run ended in and of the
  // stores it did not reach. `lastFile` is the worker's own report of the store it ended in.
  void end(bool interrupted, const qm::convert::FileReport& lastFile);

 private:
  void redraw(bool force);
  void clearLine();
  void printStore(const StoreResult& store);
  std::uint64_t bytesDone() const;

  std::ostream& out_;
  std::ostream& err_;
  StoreTally& tally_;
  std::vector<std::uint64_t> sizes_;
  ReportStyle style_;
  std::mutex mutex_;  // the run's thread and the error-log sink may meet
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
  std::size_t drawnWidth_ = 0;

  qm::convert::RunStart run_;
  qm::convert::FileStart file_;
  std::string completion_;
  int mailCount_ = 0;
  int mailsDoneInFile_ = 0;
  int filePercent_ = 0;
  int overallPercent_ = 0;
  std::uint64_t bytesOfFinishedFiles_ = 0;
};

// "1.2 MB", "845 KB": a byte count for people.
std::string humanBytes(double bytes);
// "0:07", "1:02:03".
std::string clockText(double seconds);
