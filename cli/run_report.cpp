#include "cli/run_report.h"

#include "convert/progress.h"
#include "convert/save_option.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

using qm::convert::FileReport;
using qm::convert::FileStart;
using qm::convert::MailDone;
using qm::convert::MailResult;
using qm::convert::MessageKind;
using qm::convert::RunEnd;
using qm::convert::RunStart;

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kLongestShownName = 32;

std::string shortened(const std::string& name) {
  if (name.size() <= kLongestShownName) return name;
  std::string cut = name.substr(0, kLongestShownName - 3);
  cut.append("...");
  return cut;
}

}  // namespace

std::string humanBytes(double bytes) {
  const char* units[] = {"B", "KB", "MB", "GB", "TB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return text;
}

std::string clockText(double seconds) {
  const long total = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

RunReport::RunReport(std::ostream& out, std::ostream& err, std::vector<std::uint64_t> sizes, bool live)
    : out_(out), err_(err), sizes_(std::move(sizes)), live_(live) {}

void RunReport::message(MessageKind kind, const std::string& text) {
  clearLine();
  if (kind == MessageKind::Error) err_ << "quillmend convert: " << text << std::endl;
  else out_ << text << std::endl;
}

void RunReport::runStarted(const RunStart& run) {
  run_ = run;
  filePercent_ = 0;
  overallPercent_ = 0;
}

void RunReport::runEnded(const RunEnd& end) {
  if (end.outcome != RunEnd::Outcome::Completed) return;
  clearLine();
  out_ << end.completionMessage() << std::endl;
}

void RunReport::fileStarted(const FileStart& file) {
  file_ = file;
  mailCount_ = 0;
  mailsDoneInFile_ = 0;
  filePercent_ = 0;
  redraw(true);
}

void RunReport::mailsFound(int count) {
  mailCount_ = std::max(count, 0);
  redraw(true);
}

void RunReport::mailDone(const MailDone& mail) {
  mailsDoneInFile_ = mail.index + 1;
  if (mail.result != MailResult::Skipped) {
    const int scale = qm::convert::progressScale(run_.saveOption);
    filePercent_ = qm::convert::filePercent(mail.index, mail.count, scale);
    overallPercent_ = qm::convert::overallPercent(mail.index, mail.count, scale, file_.index, file_.count);
  }
  redraw(false);
}

void RunReport::fileFinished(const FileReport& report) {
  if (static_cast<std::size_t>(report.index) < sizes_.size()) bytesOfFinishedFiles_ += sizes_[report.index];
  mailsDoneInFile_ = 0;
  mailCount_ = 0;
  filePercent_ = 100;
  overallPercent_ = qm::convert::filesDonePercent(report.index, file_.count);
  ++filesFinished_;
  if (report.mailsFound < 0) ++filesUnopened_;
  mailsSaved_ += report.mailsSaved;
  mailsFailed_ += report.mailsFailed;
  if (live_) {
    redraw(true);
    return;
  }
  out_ << "[" << report.index + 1 << "/" << file_.count << "] " << file_.fileName << ": ";
  if (report.mailsFound < 0) {
    out_ << "could not be opened" << std::endl;
    return;
  }
  out_ << report.mailsSaved << " of " << report.mailsFound - report.notMailStarts << " mails written";
  if (report.mailsFailed > 0) out_ << ", " << report.mailsFailed << " failed";
  out_ << " -> " << report.outputFolder << std::endl;
}

std::uint64_t RunReport::bytesDone() const {
  std::uint64_t done = bytesOfFinishedFiles_;
  const auto index = static_cast<std::size_t>(file_.index);
  if (mailCount_ > 0 && index < sizes_.size())
    done += sizes_[index] * static_cast<std::uint64_t>(mailsDoneInFile_) / static_cast<std::uint64_t>(mailCount_);
  return done;
}

void RunReport::redraw(bool force) {
  if (!live_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;

  const double elapsed = std::chrono::duration<double>(now - started_).count();
  std::uint64_t total = 0;
  for (const auto size : sizes_) total += size;
  const double done = static_cast<double>(bytesDone());
  const double rate = elapsed > 0 ? done / elapsed : 0;

  std::ostringstream text;
  text << "[" << file_.index + 1 << "/" << file_.count << "] " << shortened(file_.fileName) << "  "
       << mailsDoneInFile_ << "/" << mailCount_ << " mails  file " << filePercent_ << "%  all "
       << overallPercent_ << "%";
  if (rate > 0) text << "  " << humanBytes(rate) << "/s  " << clockText((static_cast<double>(total) - done) / rate) << " left";
  std::string line = text.str();
  const std::size_t width = line.size();
  if (line.size() < drawnWidth_) line += std::string(drawnWidth_ - line.size(), ' ');
  out_ << '\r' << line << std::flush;
  drawnWidth_ = width;
}

void RunReport::clearLine() {
  if (!live_ || drawnWidth_ == 0) return;
  out_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
  drawnWidth_ = 0;
}

void RunReport::endLive() { clearLine(); }
