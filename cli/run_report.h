// What the command line shows of a conversion run: the window's message boxes as text, a
// progress display that redraws itself in place on a terminal (or one line per file
// elsewhere), and the totals for the summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "convert/run_view.h"

class RunReport : public qm::convert::RunView {
 public:
  // `sizes` are the source files' sizes in bytes, in list order (for throughput and time
  // left). `live`: redraw one progress line in place.
  RunReport(std::ostream& out, std::ostream& err, std::vector<std::uint64_t> sizes, bool live);

  void runStarted(const qm::convert::RunStart& run) override;
  void fileStarted(const qm::convert::FileStart& file) override;
  void mailsFound(int count) override;
  void mailDone(const qm::convert::MailDone& mail) override;
  void fileFinished(const qm::convert::FileReport& report) override;
  void message(qm::convert::MessageKind kind, const std::string& text) override;
  void runEnded(const qm::convert::RunEnd& end) override;

  int filesFinished() const { return filesFinished_; }
  int filesUnopened() const { return filesUnopened_; }
  std::int64_t mailsSaved() const { return mailsSaved_; }
  std::int64_t mailsFailed() const { return mailsFailed_; }
  // Clears the live line before the summary.
  void endLive();

 private:
  void redraw(bool force);
  void clearLine();
  std::uint64_t bytesDone() const;

  std::ostream& out_;
  std::ostream& err_;
  std::vector<std::uint64_t> sizes_;
  bool live_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
  std::size_t drawnWidth_ = 0;

  qm::convert::RunStart run_;
  qm::convert::FileStart file_;
  int mailCount_ = 0;
  int mailsDoneInFile_ = 0;
  int filePercent_ = 0;
  int overallPercent_ = 0;
  std::uint64_t bytesOfFinishedFiles_ = 0;
  int filesFinished_ = 0;
  int filesUnopened_ = 0;
  std::int64_t mailsSaved_ = 0;
  std::int64_t mailsFailed_ = 0;
};

// "1.2 MB", "845 KB": a byte count for people.
std::string humanBytes(double bytes);
// "0:07", "1:02:03".
std::string clockText(double seconds);
