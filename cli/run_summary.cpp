#include "cli/run_summary.h"

#include <cstdio>
#include <sstream>

#include "cli/json_text.h"
#include "cli/run_report.h"

namespace {

std::string position(const StoreResult& s, int count) {
  std::ostringstream text;
  text << "[" << s.index + 1 << "/" << count << "] " << s.fileName << ": ";
  return text.str();
}

const char* stateName(const StoreResult& s) {
  switch (s.state) {
    case StoreResult::State::Waiting:
      return "not reached";
    case StoreResult::State::Running:
      return "running";
    case StoreResult::State::Stopped:
      return "stopped";
    case StoreResult::State::Broken:
      return "failed";
    case StoreResult::State::Unopened:
      return "not opened";
    case StoreResult::State::Finished:
      break;
  }
  return s.failed > 0 ? "failed" : "converted";
}

std::string counts(const StoreResult& s) {
  std::string text = std::to_string(s.written);
  if (s.state == StoreResult::State::Finished)
    text += " of " + std::to_string(s.written + s.failed + s.leftOut);
  text += s.written == 1 && s.state != StoreResult::State::Finished ? " mail written"
                                                                    : " mails written";
  if (s.failed > 0) text += ", " + std::to_string(s.failed) + " failed";
  if (s.leftOut > 0) text += ", " + std::to_string(s.leftOut) + " left out by --recovery";
  return text;
}

}  // namespace

std::string timeText(double seconds) {
  if (seconds >= 60) return clockText(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

std::string storeLine(const StoreResult& s, int storeCount) {
  const std::string head = position(s, storeCount);
  switch (s.state) {
    case StoreResult::State::Waiting:
      return head + "not converted";
    case StoreResult::State::Unopened:
      return head + "could not be opened";
    case StoreResult::State::Running:
    case StoreResult::State::Stopped:
    case StoreResult::State::Broken:
      return head + (s.state == StoreResult::State::Broken ? "failed: " : "stopped: ") + counts(s) +
             (s.mailsFound >= 0 ? " (of " + std::to_string(s.mailsFound) + " found)" : "");
    case StoreResult::State::Finished:
      break;
  }
  return head + counts(s) + " -> " + s.outputFolder;
}

std::string storeWarnings(const StoreResult& s) {
  std::string text;
  const std::string damage = damageText(s.rejectedChains, s.headerless, s.strayBlocks);
  if (!damage.empty()) text += s.fileName + ": warning: " + damage + "\n";
  const bool storeFailed =
      s.state == StoreResult::State::Broken || s.state == StoreResult::State::Unopened;
  if (!s.reason.empty() && (s.failed > 0 || storeFailed))
    text += s.fileName + ": " +
            (s.failed > 0 ? counted(s.failed, "mail", "mails") + " failed; first reason: "
                          : std::string("failed: ")) +
            s.reason + "\n";
  return text;
}

std::string storeJson(const StoreResult& s) {
  std::ostringstream o;
  o << "{\"store\":" << jsonString(s.sourcePath) << ",\"state\":" << jsonString(stateName(s))
    << ",\"outputFolder\":" << (s.outputFolder.empty() ? "null" : jsonString(s.outputFolder))
    << ",\"mailsFound\":" << s.mailsFound << ",\"written\":" << s.written
    << ",\"failed\":" << s.failed << ",\"leftOutByRecovery\":" << s.leftOut
    << ",\"incompleteChains\":" << s.rejectedChains << ",\"withoutHeader\":" << s.headerless
    << ",\"blocksInNoMail\":" << s.strayBlocks
    << ",\"reason\":" << (s.reason.empty() ? "null" : jsonString(s.reason)) << "}";
  return o.str();
}

bool runClean(const StoreTally& tally, const RunEnding& ending) {
  const RunTotals t = tally.totals();
  return !ending.interrupted && !ending.endedEarly && t.converted == t.stores;
}

void printSummary(std::ostream& out, const StoreTally& tally, const RunEnding& ending) {
  const RunTotals t = tally.totals();
  out << (ending.interrupted  ? "Stopped by Ctrl-C. "
          : ending.endedEarly ? "The run ended early. "
                              : "")
      << "Converted " << t.converted << " of " << counted(t.stores, "store", "stores") << ": "
      << counted(t.written, "mail", "mails") << " written, " << t.failed << " failed";
  if (t.leftOut > 0) out << ", " << t.leftOut << " left out by --recovery";
  out << ".\n";
  const std::string damage = damageText(t.rejectedChains, t.headerless, t.strayBlocks);
  if (!damage.empty()) out << "Damage found: " << damage << ".\n";
  out << "Output folder: " << ending.destination << "\nTime: " << timeText(ending.seconds) << "\n";
  if (runClean(tally, ending) && !ending.completion.empty()) out << ending.completion << "\n";
}

void printSummaryJson(std::ostream& out, const StoreTally& tally, const RunEnding& ending,
                      int exitStatus) {
  const RunTotals t = tally.totals();
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", ending.seconds);
  out << "{\"summary\":true,\"stores\":" << t.stores << ",\"converted\":" << t.converted
      << ",\"written\":" << t.written << ",\"failed\":" << t.failed
      << ",\"leftOutByRecovery\":" << t.leftOut << ",\"incompleteChains\":" << t.rejectedChains
      << ",\"withoutHeader\":" << t.headerless << ",\"blocksInNoMail\":" << t.strayBlocks
      << ",\"outputFolder\":" << jsonString(ending.destination) << ",\"seconds\":" << seconds
      << ",\"interrupted\":" << (ending.interrupted ? "true" : "false")
      << ",\"exitStatus\":" << exitStatus << "}\n";
}
