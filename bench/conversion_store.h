// What the conversion benchmarks share: a generated store of more than 1 GB that a run
// converts, the timed runs over it, a fresh output folder for every timed iteration and the
// counters of a result.
//
// The store is written under the system's temporary folder (QM_BENCH_DIR to choose another)
// when the benchmark first asks for it and removed with all output when the program ends.
// QM_BENCH_STORE_MB sets its size (default 1100).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_worker.h"

namespace qm::bench {

// splitmix64, as the store generator uses: the generators' one source of variety.
std::uint64_t mix(std::uint64_t x);

// Printable text that mails are cut from, so that any mail can be made again from its number.
class TextPool {
 public:
  explicit TextPool(std::size_t size);
  // `length` characters from a place that mail `m` picks.
  std::string cut(std::size_t m, std::size_t length) const;

 private:
  std::string pool_;
};

// The length of mail m of a real mailbox: mostly 1.5 to 40 KB, every 40th one with an
// attachment of up to 1 MB.
std::size_t mailboxMailLength(std::size_t m);

// The text of mail m. Asked twice for each mail (once for its length, once for the store's
// bytes), so the same m must always give the same text.
using MailText = std::function<std::string(std::size_t m)>;

class ConversionStore {
 public:
  // `name` tells the folders of two benchmarks apart. `targetBytes` 0 takes the size from
  // QM_BENCH_STORE_MB; an empty `parent` puts the store under QM_BENCH_DIR or the system's
  // temporary folder.
  ConversionStore(const std::string& name, MailText mail, std::uint64_t targetBytes = 0,
                  const std::string& parent = {});
  ~ConversionStore();
  ConversionStore(const ConversionStore&) = delete;
  ConversionStore& operator=(const ConversionStore&) = delete;

  std::string mail(std::size_t m) const { return mail_(m); }
  std::size_t mails() const { return lengths_.size(); }
  std::uint64_t mailBytes() const { return mailBytes_; }
  const std::string& store() const { return store_; }
  std::string temp() const;
  // A new, empty folder for one timed iteration. Nothing is deleted until the program ends:
  // a file system that has just freed many inodes is slower to make new ones, and that cost
  // would land on whichever side came next.
  std::string freshOutput() const;

 private:
  MailText mail_;
  std::vector<std::size_t> lengths_;
  std::uint64_t mailBytes_ = 0;
  std::string folder_, store_;
};

// Each timed iteration: `ConversionWorker::run` over the store in the given output kind, into
// a fresh output folder, with the view and the log switched off. The benchmark fails unless
// the run converts every mail.
void timeConversionRuns(benchmark::State& state, const ConversionStore& store, std::int32_t saveOption,
                        const convert::ConversionWorker::ModeFactory& modes = convert::makeOutputMode);

// One run of `ConversionWorker::run` over the store into `destination`, view and log switched
// off; true when it converted every mail.
bool convertOnce(const ConversionStore& store, std::int32_t saveOption, const std::string& destination,
                 const convert::ConversionWorker::ModeFactory& modes = convert::makeOutputMode);

// Each run starts on a quiet file system, so that neither side pays for the other:
// - what the run before left in the page cache is written out first (the run to .eml
//   files never waits for the disk itself; the runs that import each mail do at each flush);
// - then the run waits QM_BENCH_SETTLE_SECONDS (default 70): ext4 without a journal does
//   not give out an inode again within a minute of its deletion and searches past every
//   such inode each time it makes a file, and the runs that import each mail delete each of
//   their temporary .eml files, which would slow the next run's making of files.
void settleDisk();

// Bytes and mails per second, and the store's size.
void setCounters(benchmark::State& state, const ConversionStore& store);

}  // namespace qm::bench
