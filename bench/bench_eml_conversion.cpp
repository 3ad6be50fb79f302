// A conversion run to .eml files over a generated store of more than 1 GB, against a
// baseline that writes the same files with the same contents straight from memory, with no
// store to read and nothing to parse. Both run in the same process on the same disk. Then
// the same comparison in pairs over stores of 256 MB of small and of large mails, on tmpfs
// and on the disk, each pair giving its ratio (--benchmark_filter=RunAgainst runs these only).
//
// The store is generated under the system's temporary folder (QM_BENCH_DIR to choose
// another) when the program starts and removed with all output when it ends.
// QM_BENCH_STORE_MB sets its size (default 1100).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/conversion_store.h"
#include "convert/save_option.h"
#include "engine/dbx_file.h"
#include "platform/files.h"
#include "platform/safe_files.h"

namespace {

using qm::bench::ConversionStore;
namespace platform = qm::platform;

// Mails of the sizes a real mailbox holds, their text cut from a pool.
class PoolMails {
 public:
  std::string operator()(std::size_t m) const {
    std::string text = "From: sender" + std::to_string(m % 97) + "@example.com\r\nTo: reader@example.com\r\n"
                       "Subject: Message " + std::to_string(m) + "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\n"
                       "MIME-Version: 1.0\r\n\r\n";
    return text + pool_.cut(m, qm::bench::mailboxMailLength(m) - text.size());
  }

 private:
  qm::bench::TextPool pool_{4 << 20};
};

const ConversionStore& corpus() {
  static const PoolMails mails;
  static const ConversionStore c("eml", [](std::size_t m) { return mails(m); });
  return c;
}

void BM_EmlConversionRun(benchmark::State& state) {
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASEML);
}

void BM_WriteSameFilesBaseline(benchmark::State& state) {
  const ConversionStore& c = corpus();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = c.freshOutput() + platform::pathSeparator() + "1_Converted_Bench_As_EML";
    state.ResumeTiming();
    platform::createDirectory(folder);
    char name[32];
    for (std::size_t m = 0; m < c.mails(); ++m) {
      const std::string text = c.mail(m);
      std::snprintf(name, sizeof name, "Bench_%06zu.eml", m + 1);
      std::unique_ptr<std::FILE, platform::FileCloser> f(platform::openFile(folder + platform::pathSeparator() + name, "w+b"));
      if (!f || std::fwrite(text.data(), 1, text.size(), f.get()) != text.size()) state.SkipWithError("write failed");
    }
  }
  qm::bench::setCounters(state, c);
}

// The part of the run that finds the mails: open, block scan, chain linking, close. What the
// run costs beyond it is writing the mails out.
void BM_FindMailsOnly(benchmark::State& state) {
  const ConversionStore& c = corpus();
  class QuietHost : public EngineHost {
    void showMessage(const std::string&) override {}
    void writeLog(const std::string&, bool) override {}
  } host;
  for (auto _ : state) {
    DbxFile engine(host);
    engine.open(c.store());
    std::int32_t mails = 0;
    engine.findMails(mails);
    engine.close();
    if (mails != static_cast<std::int32_t>(c.mails())) state.SkipWithError("mails missed");
  }
  qm::bench::setCounters(state, c);
}

// Mails of one size, for the pairs below: a short header, then text cut from a pool.
class SizedMails {
 public:
  explicit SizedMails(std::size_t length) : length_(length) {}
  std::string operator()(std::size_t m) const {
    std::string text = "From: sender" + std::to_string(m % 97) + "@example.com\r\nTo: reader@example.com\r\n"
                       "Subject: Message " + std::to_string(m) + "\r\n\r\n";
    return text + pool_.cut(m, length_).substr(0, length_ - text.size());
  }

 private:
  std::size_t length_;
  qm::bench::TextPool pool_{1 << 20};
};

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Runs `side`, adding its time to `total`; what it returned.
bool timed(double& total, const std::function<bool()>& side) {
  const auto start = Clock::now();
  const bool ok = side();
  total += secondsSince(start);
  return ok;
}

// Writes every mail as its own file, with the run's names, straight from memory.
bool writeFromMemory(const std::vector<std::string>& texts, const std::string& folder) {
  platform::createDirectory(folder);
  char name[32];
  for (std::size_t m = 0; m < texts.size(); ++m) {
    std::snprintf(name, sizeof name, "Bench_%06zu.eml", m + 1);
    std::unique_ptr<std::FILE, platform::FileCloser> f(platform::openFile(folder + platform::pathSeparator() + name, "w+b"));
    if (!f || std::fwrite(texts[m].data(), 1, texts[m].size(), f.get()) != texts[m].size()) return false;
  }
  return true;
}

// The same, made as the run makes its files: each one appears under its name only when it is
// complete (platform::OutputFile, with its folder held open). The difference to the plain
// writing is the price of never leaving half a mail under a finished name.
bool writeFromMemorySafely(const std::vector<std::string>& texts, const std::string& folder) {
  platform::createDirectory(folder);
  const platform::OutputFolder out(folder);
  char name[32];
  for (std::size_t m = 0; m < texts.size(); ++m) {
    std::snprintf(name, sizeof name, "Bench_%06zu.eml", m + 1);
    platform::OutputFile f;
    if (!f.open(out, name) || std::fwrite(texts[m].data(), 1, texts[m].size(), f.stream()) != texts[m].size() ||
        !f.commit(platform::OutputFile::Replace::Existing))
      return false;
  }
  return true;
}

// The run against its baselines in turns, in one process: each iteration writes the mails
// from memory plainly and safely and converts the 256 MB store they came from, the three in
// a rotating order, each into a new folder that is removed (untimed) after the turn. The counters give the three times
// and the run's ratio to each baseline.
void BM_EmlRunAgainstWriting(benchmark::State& state, std::size_t mailLength, bool tmpfs) {
  const SizedMails mails(mailLength);
  const ConversionStore store("pair", [&](std::size_t m) { return mails(m); }, 256ull << 20,
                              tmpfs ? "/dev/shm" : std::string());
  std::vector<std::string> texts;
  for (std::size_t m = 0; m < store.mails(); ++m) texts.push_back(store.mail(m));
  const std::string asEml = std::string(1, platform::pathSeparator()) + "1_Converted_Bench_As_EML";
  double baseline = 0, safe = 0, run = 0;
  bool allWritten = true;
  int turn = 0;
  for (auto _ : state) {
    const std::string written = store.freshOutput(), safely = store.freshOutput(), converted = store.freshOutput();
    // Each side takes each place in the turn in its order, so that none always follows the
    // same one.
    const std::function<void()> sides[] = {
        [&] { allWritten &= timed(baseline, [&] { return writeFromMemory(texts, written + asEml); }); },
        [&] { allWritten &= timed(safe, [&] { return writeFromMemorySafely(texts, safely + asEml); }); },
        [&] { allWritten &= timed(run, [&] { return qm::bench::convertOnce(store, qm::convert::SAVEASEML, converted); }); },
    };
    const double before = baseline + safe + run;
    for (int k = 0; k < 3; ++k) sides[(turn + k) % 3]();
    ++turn;
    state.SetIterationTime(baseline + safe + run - before);
    std::error_code ec;
    for (const auto& folder : {written, safely, converted}) std::filesystem::remove_all(platform::toPath(folder), ec);
  }
  if (!allWritten) state.SkipWithError("a side did not write every mail");
  const double n = static_cast<double>(state.iterations());
  state.counters["mails"] = static_cast<double>(store.mails());
  state.counters["baseline_s"] = baseline / n;
  state.counters["safe_s"] = safe / n;
  state.counters["run_s"] = run / n;
  state.counters["run_per_baseline"] = run / baseline;
  state.counters["run_per_safe"] = run / safe;
}

// Baseline first, run, baseline again, run again: a disk that slows down over the run
// shows as a difference between the two baselines.
BENCHMARK(BM_WriteSameFilesBaseline)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_WriteSameFilesBaseline)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FindMailsOnly)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
// Small mails (3 KB) and large ones (50 KB), on tmpfs, where the disk's noise drops out, and
// on the disk.
BENCHMARK_CAPTURE(BM_EmlRunAgainstWriting, small_tmpfs, 3000, true)->Unit(benchmark::kSecond)->Iterations(6)->UseManualTime();
BENCHMARK_CAPTURE(BM_EmlRunAgainstWriting, large_tmpfs, 50000, true)->Unit(benchmark::kSecond)->Iterations(6)->UseManualTime();
BENCHMARK_CAPTURE(BM_EmlRunAgainstWriting, small_disk, 3000, false)->Unit(benchmark::kSecond)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(BM_EmlRunAgainstWriting, large_disk, 50000, false)->Unit(benchmark::kSecond)->Iterations(3)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
