#include "cli/store_tally.h"

#include <algorithm>

using qm::convert::FileReport;
using qm::convert::FileStart;

namespace {

// The engine's line for a mail that recovery mode refuses: a choice of the user's, not a
// failure, so never a store's reason.
bool isRefusal(const std::string& line) {
  return line.find("no valid mail header") != std::string::npos;
}

std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::string squeezed;
  for (const char c : text)
    if (!(c == ' ' && !squeezed.empty() && squeezed.back() == ' ')) squeezed += c;
  while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
  return squeezed;
}

}  // namespace

std::string counted(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string damageText(std::int64_t rejectedChains, std::int64_t headerless,
                       std::int64_t strayBlocks) {
  std::vector<std::string> parts;
  if (rejectedChains > 0)
    parts.push_back(counted(rejectedChains, "chain", "chains") + " dropped as incomplete");
  if (headerless > 0)
    parts.push_back(counted(headerless, "mail", "mails") +
                    " written without a recognisable header (--recovery leaves them out)");
  if (strayBlocks > 0)
    parts.push_back(counted(strayBlocks, "block", "blocks") + " belonging to no mail");
  std::string text;
  for (const auto& p : parts) text += (text.empty() ? "" : ", ") + p;
  return text;
}

StoreTally::StoreTally(const std::vector<qm::convert::SourceRow>& sources, bool recovery)
    : recovery_(recovery) {
  for (std::size_t i = 0; i < sources.size(); ++i) {
    StoreResult s;
    s.index = static_cast<int>(i);
    s.fileName = sources[i].fileName;
    s.sourcePath = sources[i].path;
    stores_.push_back(std::move(s));
  }
}

StoreResult* StoreTally::running() {
  if (current_ < 0 || static_cast<std::size_t>(current_) >= stores_.size()) return nullptr;
  return &stores_[static_cast<std::size_t>(current_)];
}

const StoreResult* StoreTally::current() const {
  return const_cast<StoreTally*>(this)->running();
}

void StoreTally::fileStarted(const FileStart& file) {
  current_ = file.index;
  mailLines_.clear();
  if (StoreResult* s = running()) s->state = StoreResult::State::Running;
}

void StoreTally::mailsFound(int count) {
  if (StoreResult* s = running()) s->mailsFound = count;
  mailLines_.clear();
}

void StoreTally::mailDone(qm::convert::MailResult result) {
  using qm::convert::MailResult;
  StoreResult* s = running();
  if (!s) return;
  // Counted as they come, so that a store the run stops in still shows its true counts; the
  // store's own report replaces them when it finishes.
  const bool refused = std::any_of(mailLines_.begin(), mailLines_.end(), isRefusal);
  if (result == MailResult::Saved) {
    ++s->written;
  } else if (result != MailResult::NotAMail) {
    if (refused && recovery_) {
      ++s->leftOut;
    } else {
      ++s->failed;
      if (s->reason.empty() && !mailLines_.empty()) s->reason = oneLine(mailLines_.front());
    }
  }
  mailLines_.clear();
}

void StoreTally::fileFinished(const FileReport& report) {
  StoreResult* s = running();
  if (!s) return;
  s->outputFolder = report.outputFolder;
  s->mailsFound = report.mailsFound;
  s->written = report.mailsSaved;
  s->rejectedChains = report.rejectedChains;
  s->strayBlocks = report.strayBlocks;
  // Refused by recovery mode, as the user asked: left out, not failed.
  s->leftOut = recovery_ ? std::min(report.headerless, report.mailsFailed) : 0;
  s->headerless = recovery_ ? 0 : report.headerless;
  s->failed = report.mailsFailed - s->leftOut;
  s->state = report.mailsFound < 0 ? StoreResult::State::Unopened : StoreResult::State::Finished;
  if (s->state == StoreResult::State::Unopened && s->reason.empty())
    s->reason = "the store could not be opened";
  current_ = -1;
  mailLines_.clear();
}

void StoreTally::errorLine(const std::string& text) {
  if (running()) mailLines_.push_back(text);
}

bool StoreTally::errorMessage(const std::string& text) {
  StoreResult* s = running();
  if (!s || !s->reason.empty()) return false;
  s->reason = oneLine(text);
  return true;
}

void StoreTally::runEnded(bool interrupted, const qm::convert::FileReport& lastFile) {
  StoreResult* s = running();
  if (!s) return;
  if (interrupted) {
    s->state = StoreResult::State::Stopped;
    if (lastFile.index == current_) s->written = std::max(s->written, lastFile.mailsSaved);
    return;
  }
  s->state = StoreResult::State::Broken;
  s->failed = std::max(s->failed, s->mailsFound - s->written - s->leftOut);
}

void StoreTally::explain(int index, std::string reason) {
  if (index >= 0 && static_cast<std::size_t>(index) < stores_.size())
    stores_[static_cast<std::size_t>(index)].reason = std::move(reason);
}

RunTotals StoreTally::totals() const {
  RunTotals t;
  t.stores = static_cast<int>(stores_.size());
  for (const auto& s : stores_) {
    if (s.clean()) ++t.converted;
    t.written += s.written;
    t.failed += s.failed;
    t.leftOut += s.leftOut;
    t.rejectedChains += s.rejectedChains;
    t.strayBlocks += s.strayBlocks;
    t.headerless += s.headerless;
  }
  return t;
}
