#include "cli/run_report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/run_summary.h"
#include "platform/files.h"

using qm::convert::FileReport;
using qm::convert::FileStart;
using qm::convert::MailDone;
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

RunReport::RunReport(std::ostream& out, std::ostream& err, StoreTally& tally,
                     std::vector<std::uint64_t> sizes, ReportStyle style)
    : out_(out), err_(err), tally_(tally), sizes_(std::move(sizes)), style_(style) {}

void RunReport::runStarted(const RunStart& run) {
  std::lock_guard<std::mutex> lock(mutex_);
  run_ = run;
}

void RunReport::message(MessageKind kind, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  // An error inside a store is that store's reason, shown with its line.
  if (kind == MessageKind::Error && tally_.errorMessage(text)) return;
  clearLine();
  err_ << "quillmend convert: " << text << std::endl;
  redraw(true);
}

void RunReport::runEnded(const RunEnd& end) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Shown after the summary, and only when the run was clean.
  if (end.outcome == RunEnd::Outcome::Completed) completion_ = end.completionMessage();
  if (end.outcome == RunEnd::Outcome::Failed && !end.reason.empty()) tally_.errorMessage(end.reason);
}

void RunReport::errorLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.errorLine(text);
}

void RunReport::fileStarted(const FileStart& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.fileStarted(file);
  file_ = file;
  mailCount_ = 0;
  mailsDoneInFile_ = 0;
  filePercent_ = 0;
  redraw(true);
}

void RunReport::mailsFound(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.mailsFound(count);
  mailCount_ = std::max(count, 0);
  redraw(true);
}

void RunReport::mailDone(const MailDone& mail) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.mailDone(mail.result);
  mailsDoneInFile_ = mail.index + 1;
  filePercent_ = mail.count > 0 ? (mail.index + 1) * 100 / mail.count : 100;
  overallPercent_ = run_.fileCount > 0 ? (file_.index * 100 + filePercent_) / run_.fileCount : 0;
  redraw(false);
}

void RunReport::fileFinished(const FileReport& report) {
  std::lock_guard<std::mutex> lock(mutex_);
  tally_.fileFinished(report);
  const StoreResult& store = tally_.stores().at(static_cast<std::size_t>(report.index));
  // Mails fail one by one when their folder is missing; the folder is the better reason.
  if (store.failed > 0 && !qm::platform::isDirectory(report.outputFolder))
    tally_.explain(report.index, "the output folder could not be made (" + store.reason + ")");
  if (static_cast<std::size_t>(report.index) < sizes_.size())
    bytesOfFinishedFiles_ += sizes_[report.index];
  mailsDoneInFile_ = 0;
  mailCount_ = 0;
  printStore(store);
  redraw(true);
}

void RunReport::printStore(const StoreResult& store) {
  clearLine();
  if (style_.json)
    out_ << storeJson(store) << "\n";
  else if (style_.storeLines)
    out_ << storeLine(store, static_cast<int>(tally_.stores().size())) << "\n";
  out_.flush();
  const std::string warnings = storeWarnings(store);
  std::istringstream lines(warnings);
  for (std::string line; std::getline(lines, line);) err_ << "quillmend convert: " << line << "\n";
  err_.flush();
}

void RunReport::end(bool interrupted, const qm::convert::FileReport& lastFile) {
  std::lock_guard<std::mutex> lock(mutex_);
  clearLine();
  const StoreResult* ended = tally_.current();
  tally_.runEnded(interrupted, lastFile);
  if (ended) printStore(*ended);
  for (const auto& store : tally_.stores())
    if (store.state == StoreResult::State::Waiting) printStore(store);
}

std::uint64_t RunReport::bytesDone() const {
  std::uint64_t done = bytesOfFinishedFiles_;
  const auto index = static_cast<std::size_t>(file_.index);
  if (mailCount_ > 0 && index < sizes_.size())
    done += sizes_[index] * static_cast<std::uint64_t>(mailsDoneInFile_) /
            static_cast<std::uint64_t>(mailCount_);
  return done;
}

void RunReport::redraw(bool force) {
  if (!style_.progress) return;
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
  if (rate > 0)
    text << "  " << humanBytes(rate) << "/s  "
         << clockText((static_cast<double>(total) - done) / rate) << " left";
  // Plain carriage returns and blanks: every console understands them.
  std::string line = text.str();
  const std::size_t width = line.size();
  if (line.size() < drawnWidth_) line += std::string(drawnWidth_ - line.size(), ' ');
  err_ << '\r' << line << std::flush;
  drawnWidth_ = width;
}

void RunReport::clearLine() {
  if (drawnWidth_ == 0) return;
  err_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
  drawnWidth_ = 0;
}
