#include "mailbox/mailbox_run.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "engine/dbx_file.h"

namespace qm::mailbox {

namespace {

class RunHost : public LogOnlyHost {
 public:
  explicit RunHost(std::function<bool()> stop) : stop_(std::move(stop)) {}
  bool stopRequested() override { return stop_ && stop_(); }

 private:
  std::function<bool()> stop_;
};

// Where mail j's first block lies in the file (what the index points at), or nothing when
// the entry is no mail start (its chain has a block in front of it, so it is part of
// another mail).
std::optional<std::int64_t> firstBlockOf(const DbxFile& dbx, int j) {
  const std::int64_t position = dbx.mailStartOffset(j);
  if (position < 0) return std::nullopt;
  return position;
}

struct ScannedMail {
  int number = 0;
  MailState state;  // state.listed: the index lists it
};

struct ScannedStore {
  std::vector<ScannedMail> mails;
  FolderCount count;
};

// Opens the store, finds its mails by the raw scan and tells each one's place in the index.
// The file stays open for writing the mails.
ScannedStore scanStore(DbxFile& dbx, const std::string& path) {
  ScannedStore out;
  if (!dbx.open(path)) {
    out.count.opened = false;
    return out;
  }
  std::int32_t found = 0;
  const int count = dbx.findMails(found);
  const StoreIndex index = readStoreIndex(path);
  out.count.indexComplete = index.complete;
  std::set<std::uint32_t> matched;
  for (int j = 0; j < count; ++j) {
    const auto first = firstBlockOf(dbx, j);
    if (!first) continue;
    ScannedMail m;
    m.number = j;
    // An index points with 32 bits: a mail further into the file is one it cannot list.
    auto it = *first < 0 || *first > UINT32_MAX ? index.byFirstBlock.end()
                                                 : index.byFirstBlock.find(static_cast<std::uint32_t>(*first));
    if (it != index.byFirstBlock.end()) {
      m.state = it->second;
      matched.insert(it->first);
      ++out.count.listed;
    } else {
      ++out.count.recovered;
    }
    out.mails.push_back(m);
  }
  out.count.found = static_cast<int>(out.mails.size());
  out.count.lostFromScan = static_cast<int>(index.byFirstBlock.size() - matched.size());
  return out;
}

class MailboxConversion {
 public:
  MailboxConversion(MailboxOutput& output, const MailboxRunOptions& options, MailboxProgress& progress,
                    int stores)
      : output_(output), options_(options), progress_(progress), host_(options.stopRequested), dbx_(host_),
        storeCount_(stores) {
    dbx_.logEnabled = options.logEnabled;
    dbx_.recoveryMode = options.recoveryMode;
  }
  // A run that ends by an output failure leaves its store open.
  ~MailboxConversion() {
    if (dbx_.opened) dbx_.close();
  }
  MailboxConversion(const MailboxConversion&) = delete;
  MailboxConversion& operator=(const MailboxConversion&) = delete;

  void folder(const MailboxFolder& f, int parent, std::vector<std::string>& path) {
    if (stopped()) return;
    path.push_back(f.name);
    const int handle = output_.makeFolder(parent, f.name, parent == MailboxOutput::kTop ? f.special : SpecialFolder::None);
    if (!f.storePath.empty()) store(f, handle, path);
    for (const auto& c : f.children) folder(c, handle, path);
    path.pop_back();
  }

  MailboxTotals totals;

 private:
  bool stopped() {
    if (!totals.stopped && options_.stopRequested && options_.stopRequested()) totals.stopped = true;
    return totals.stopped;
  }

  void store(const MailboxFolder& f, int handle, const std::vector<std::string>& path) {
    const FolderVisit visit{&f, path};
    progress_.storeStarted(visit, totals.stores, storeCount_);
    ++totals.stores;
    ScannedStore scanned = scanStore(dbx_, f.storePath);
    FolderCount& count = scanned.count;
    std::optional<int> recoveredFolder;
    for (const ScannedMail& m : scanned.mails) {
      if (stopped()) break;
      int target = handle;
      if (!m.state.listed) {
        if (options_.dropRecovered) continue;
        if (!recoveredFolder) recoveredFolder = output_.makeFolder(handle, kRecoveredFolder, SpecialFolder::None);
        target = *recoveredFolder;
      }
      std::string eml;
      const bool written = dbx_.saveMailToEML(output_.workFolder(target), eml, m.number) &&
                           output_.addMail(target, eml, m.state);
      if (written) ++count.written;
      else ++count.failed;
      progress_.mailDone(written);
    }
    if (dbx_.opened) dbx_.close();
    if (!count.opened) ++totals.storesUnopened;
    totals.found += count.found;
    totals.listed += count.listed;
    totals.recovered += count.recovered;
    if (options_.dropRecovered) totals.dropped += count.recovered;
    totals.written += count.written;
    totals.failed += count.failed;
    totals.lostFromScan += count.lostFromScan;
    progress_.storeFinished(visit, count);
  }

  MailboxOutput& output_;
  const MailboxRunOptions& options_;
  MailboxProgress& progress_;
  RunHost host_;
  DbxFile dbx_;
  int storeCount_;
};

}  // namespace

MailboxTotals convertMailbox(const Mailbox& mailbox, MailboxOutput& output, const MailboxRunOptions& options,
                             MailboxProgress& progress) {
  MailboxConversion run(output, options, progress, mailbox.stores);
  try {
    std::vector<std::string> path;
    for (const auto& f : mailbox.top) run.folder(f, MailboxOutput::kTop, path);
    output.finish();
  } catch (const OutputFailure& e) {
    run.totals.failure = e.what();
  }
  return run.totals;
}

FolderCount countStore(const std::string& storePath, bool recoveryMode) {
  RunHost host({});
  DbxFile dbx(host);
  dbx.recoveryMode = recoveryMode;
  ScannedStore scanned = scanStore(dbx, storePath);
  if (dbx.opened) dbx.close();
  return scanned.count;
}

}  // namespace qm::mailbox
