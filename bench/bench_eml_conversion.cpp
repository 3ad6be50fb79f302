// A conversion run to .eml files over a generated store of more than 1 GB, against a
// baseline that writes the same files with the same contents straight from memory, with no
// store to read and nothing to parse. Both run in the same process on the same disk.
//
// The store is generated under the system's temporary folder (QM_BENCH_DIR to choose
// another) when the program starts and removed with all output when it ends.
// QM_BENCH_STORE_MB sets its size (default 1100).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "convert/conversion_worker.h"
#include "engine/dbx_file.h"
#include "platform/files.h"
#include "tests/support/storegen/store_generator.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::convert;
namespace platform = qm::platform;

// splitmix64, as the store generator uses.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Mails of the sizes a real mailbox holds: mostly a few KB to 40 KB, every 40th one with an
// attachment of up to 1 MB. The text is cut from a pool, so any mail can be made again.
class Corpus {
 public:
  Corpus() {
    const char* mb = std::getenv("QM_BENCH_STORE_MB");
    const std::uint64_t target = (mb ? std::strtoull(mb, nullptr, 10) : 1100) << 20;
    for (std::uint64_t k = 0; k < 4 << 20; ++k) pool_ += static_cast<char>(' ' + mix(k) % 94);
    for (std::uint64_t i = 0, total = 0; total < target; ++i) {
      const std::uint64_t r = mix(i + 1000003);
      std::size_t length = 1500 + r % 40000;
      if (i % 40 == 39) length += 100000 + r % 900000;
      lengths_.push_back(length);
      total += length / 512 * 528 + 528;
    }
    const char* dir = std::getenv("QM_BENCH_DIR");
    folder_ = (dir ? std::string(dir) + platform::pathSeparator() : platform::tempFolder()) + "qm_bench_eml_" +
              std::to_string(mix(reinterpret_cast<std::uintptr_t>(this)) % 1000000);
    fs::create_directories(platform::toPath(folder_));
    store_ = folder_ + platform::pathSeparator() + "Bench.dbx";
    writeStore();
  }
  ~Corpus() {
    std::error_code ec;
    fs::remove_all(platform::toPath(folder_), ec);
  }

  std::string mail(std::size_t m) const {
    std::string text = "From: sender" + std::to_string(m % 97) + "@example.com\r\nTo: reader@example.com\r\n"
                       "Subject: Message " + std::to_string(m) + "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\n"
                       "MIME-Version: 1.0\r\n\r\n";
    const std::size_t body = lengths_[m] - text.size();
    text.append(pool_, mix(m) % (pool_.size() - body), body);
    return text;
  }
  std::size_t mails() const { return lengths_.size(); }
  std::uint64_t mailBytes() const {
    std::uint64_t total = 0;
    for (const auto l : lengths_) total += l;
    return total;
  }
  const std::string& store() const { return store_; }
  std::string output() const { return folder_ + platform::pathSeparator() + "out"; }
  std::string temp() const { return folder_ + platform::pathSeparator() + "temp" + platform::pathSeparator(); }

 private:
  void writeStore() {
    std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(store_, "wb"));
    const qm::storegen::StoreOptions options;
    const auto plan = qm::storegen::planStore(lengths_, options);
    qm::storegen::emitStore(plan, [&](std::size_t m) { return mail(m); }, options,
                            [&](const std::uint8_t* data, std::size_t size) { std::fwrite(data, 1, size, file.get()); });
  }

  std::string pool_;
  std::vector<std::size_t> lengths_;
  std::string folder_, store_;
};

const Corpus& corpus() {
  static const Corpus c;
  return c;
}

class QuietView : public RunView {
 public:
  void setScanLine(const std::string&) override {}
  void setPercentLabel(const std::string&) override {}
  void setFileBar(int) override {}
  void setOverallBar(int) override {}
  void setProgressLine(const std::string&) override {}
  void enableInputs(bool) override {}
  void setConvertCaption(const std::string&) override {}
  void enableConvert(bool) override {}
  void uncheckSaveOptions() override {}
  void clearRunning() override {}
  void resetControls() override {}
  void showMessage(const std::string&, MessageKind) override {}
  void fileFinished(const FileReport& report) override { saved = report.mailsSaved; }
  int saved = 0;
};

// A new, empty output folder for every timed iteration. Nothing is deleted until the
// program ends: a file system that has just freed many inodes is slower to make new ones,
// and that cost would land on whichever side came next.
std::string freshOutput(const Corpus& c) {
  static int made = 0;
  const std::string folder = c.output() + platform::pathSeparator() + std::to_string(++made);
  std::error_code ec;
  fs::create_directories(platform::toPath(folder), ec);
  fs::create_directories(platform::toPath(c.temp()), ec);
  return folder;
}

void setCounters(benchmark::State& state, const Corpus& c) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.mailBytes()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * c.mails()));
  state.counters["store_MB"] = static_cast<double>(*platform::fileSize(c.store())) / (1 << 20);
}

void BM_EmlConversionRun(benchmark::State& state) {
  const Corpus& c = corpus();
  RunSettings settings;
  settings.sources = {sourceRowFor(c.store())};
  RunEnvironment env;
  env.tempRoot = c.temp();
  for (auto _ : state) {
    state.PauseTiming();
    settings.destinationFolder = freshOutput(c);
    state.ResumeTiming();
    SettingsInput input(settings);
    QuietView view;
    CancelToken token;
    const int result = ConversionWorker(input, view, token, env).run();
    if (result != 0 || view.saved != static_cast<int>(c.mails())) state.SkipWithError("the run did not convert every mail");
  }
  setCounters(state, c);
}

void BM_WriteSameFilesBaseline(benchmark::State& state) {
  const Corpus& c = corpus();
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = freshOutput(c) + platform::pathSeparator() + "1_Converted_Bench_As_EML";
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
  setCounters(state, c);
}

// The part of the run that finds the mails: open, block scan, chain linking, close. What the
// run costs beyond it is writing the mails out.
void BM_FindMailsOnly(benchmark::State& state) {
  const Corpus& c = corpus();
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
  setCounters(state, c);
}

// Baseline first, run, baseline again, run again: a disk that slows down over the run
// shows as a difference between the two baselines.
BENCHMARK(BM_WriteSameFilesBaseline)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_WriteSameFilesBaseline)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FindMailsOnly)->Unit(benchmark::kSecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
