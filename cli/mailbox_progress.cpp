#include "cli/mailbox_progress.h"

#include <cstdio>

using namespace qm::mailbox;

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string mailsText(long n) { return std::to_string(n) + (n == 1 ? " mail" : " mails"); }

std::string countText(const FolderCount& c) {
  if (!c.opened) return "the store cannot be opened";
  std::string text = mailsText(c.found) + " (" + std::to_string(c.listed) + " listed, " +
                     std::to_string(c.recovered) + " recovered)";
  if (c.lostFromScan > 0) text += ", " + std::to_string(c.lostFromScan) + " listed but not found";
  if (!c.indexComplete) text += ", index damaged";
  return text;
}

const char* specialText(SpecialFolder s) {
  switch (s) {
    case SpecialFolder::Inbox: return " [Inbox]";
    case SpecialFolder::Outbox: return " [Outbox]";
    case SpecialFolder::SentItems: return " [Sent Items]";
    case SpecialFolder::DeletedItems: return " [Deleted Items]";
    case SpecialFolder::Drafts: return " [Drafts]";
    case SpecialFolder::None: break;
  }
  return "";
}

}  // namespace

std::string folderPathText(const FolderVisit& folder) {
  std::string text;
  for (const auto& name : folder.path) text += (text.empty() ? "" : "/") + name;
  return text;
}

void MailboxReport::storeStarted(const FolderVisit& folder, int store, int stores) {
  current_ = folderPathText(folder);
  store_ = store;
  stores_ = stores;
  redraw(true);
}

void MailboxReport::mailDone(bool) {
  ++mails_;
  redraw(false);
}

void MailboxReport::redraw(bool force) {
  if (!live_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  std::string line = "[" + std::to_string(store_ + 1) + "/" + std::to_string(stores_) + "] " + current_ + "  " +
                     mailsText(mails_) + " so far";
  if (line.size() > 78) line = line.substr(0, 75) + "...";
  out_ << "\r" << line << std::string(drawn_ > line.size() ? drawn_ - line.size() : 0, ' ') << std::flush;
  drawn_ = line.size();
}

void MailboxReport::endLive() {
  if (live_ && drawn_ > 0) out_ << "\r" << std::string(drawn_, ' ') << "\r" << std::flush;
  drawn_ = 0;
}

void MailboxReport::storeFinished(const FolderVisit& folder, const FolderCount& count) {
  endLive();
  out_ << "[" << store_ + 1 << "/" << stores_ << "] " << folderPathText(folder) << ": " << countText(count);
  if (count.failed > 0) out_ << ", " << count.failed << " failed";
  out_ << "\n";
}

void MailboxReport::summary(const MailboxTotals& t, const std::string& location, double seconds) {
  if (t.stopped) out_ << "Stopped. ";
  else if (!t.failure.empty()) out_ << "The run ended early. ";
  out_ << "Converted " << t.stores << (t.stores == 1 ? " store" : " stores") << ": " << mailsText(t.written)
       << " written, " << t.failed << " failed. Of the " << mailsText(t.found) << " found, " << t.listed
       << " are listed by their store's index and " << t.recovered << " are not";
  out_ << (t.dropped > 0 ? " (left out)" : t.recovered > 0 ? " (in \"Recovered\" folders)" : "") << ".\n";
  if (t.storesUnopened > 0) out_ << t.storesUnopened << " stores could not be opened.\n";
  if (t.lostFromScan > 0)
    out_ << t.lostFromScan << " mails listed by an index were not found whole in their store.\n";
  char time[32];
  std::snprintf(time, sizeof time, "%.1f s", seconds);
  out_ << "Output: " << location << "\nTime: " << time << "\n";
}

bool listMailbox(const Mailbox& mailbox, std::ostream& out) {
  long found = 0, listed = 0, recovered = 0, lost = 0;
  int unopened = 0;
  for (const FolderVisit& v : foldersOf(mailbox)) {
    out << std::string(2 * (v.path.size() - 1), ' ') << v.folder->name << specialText(v.folder->special);
    if (v.folder->storePath.empty()) {
      out << (v.folder->children.empty() ? ": no store\n" : "\n");
      continue;
    }
    out << ": ";
    const FolderCount c = countStore(v.folder->storePath, false);
    out << countText(c) << "\n";
    found += c.found;
    listed += c.listed;
    recovered += c.recovered;
    lost += c.lostFromScan;
    if (!c.opened) ++unopened;
  }
  out << "Total: " << mailsText(found) << " in " << mailbox.stores << (mailbox.stores == 1 ? " store" : " stores")
      << ": " << listed << " listed, " << recovered << " recovered.\n";
  return unopened == 0 && lost == 0;
}
