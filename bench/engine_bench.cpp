// The block scan of a 1 GiB store against a plain sequential read of the same file in the
// same run (page cache warm); the search of a store as `quillmend scan` makes it (scan and
// linking) against reading the file in the scan's 100,000-byte steps, on tmpfs and on the
// disk, as a ratio taken in each iteration; and the chain linking of 10^4 to 10^6 blocks.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "bench/bench_stores.h"
#include "engine/block_linker.h"
#include "engine/dbx_file.h"
#include "platform/files.h"

namespace {

class QuietHost : public EngineHost {
 public:
  void showMessage(const std::string&) override {}
  void writeLog(const std::string&, bool) override {}
};

const std::string& storePath() {
  static const std::string path = largeStorePath();
  return path;
}

// Reads the file in the scan's chunk size and does nothing with the bytes but touch them.
void BM_PlainRead(benchmark::State& state) {
  std::vector<unsigned char> buffer(100000);
  std::uint64_t total = 0;
  for (auto _ : state) {
    std::unique_ptr<std::FILE, qm::platform::FileCloser> in(qm::platform::openFile(storePath(), "rb"));
    std::size_t n;
    unsigned sum = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
      sum += buffer[n - 1];
      total += n;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(total));
}

void BM_Scan(benchmark::State& state) {
  QuietHost host;
  DbxFile store(host);
  std::uint64_t total = 0;
  for (auto _ : state) {
    store.open(storePath());
    store.scanBlocks();
    total += static_cast<std::uint64_t>(store.fileSize);
    state.counters["blocks"] = static_cast<double>(store.blockCount);
    store.close();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(total));
}

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Reads the whole file in 100,000-byte reads; returns a byte of it, so that nothing is left out.
unsigned readInSteps(const std::string& path) {
  static std::vector<unsigned char> buffer(100000);
  std::unique_ptr<std::FILE, qm::platform::FileCloser> in(qm::platform::openFile(path, "rb"));
  unsigned sum = 0;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;) sum += buffer[n - 1];
  return sum;
}

// A 512 MB store of mails of about 3 KB, blocks in file order, on tmpfs or on the disk
// (QM_BENCH_DIR, else the system's temporary folder); removed when the program ends.
class SearchStore {
 public:
  explicit SearchStore(bool tmpfs) {
    const char* dir = std::getenv("QM_BENCH_DIR");
    const std::string folder = tmpfs ? "/dev/shm/" : dir ? std::string(dir) + "/" : qm::platform::tempFolder();
    path_ = folder + (tmpfs ? "quillmend-bench-search-shm.dbx" : "quillmend-bench-search.dbx");
    std::vector<std::size_t> lengths;
    for (std::uint64_t total = 0; total < (512ull << 20); total += lengths.back() / 512 * 528 + 528)
      lengths.push_back(2000 + (lengths.size() * 7919) % 2200);
    const qm::storegen::StoreOptions options;
    const auto plan = qm::storegen::planStore(lengths, options);
    mails_ = lengths.size();
    std::unique_ptr<std::FILE, qm::platform::FileCloser> out(qm::platform::openFile(path_, "wb"));
    const std::string text(5000, 'x');
    qm::storegen::emitStore(
        plan, [&](std::size_t m) { return text.substr(0, lengths[m]); }, options,
        [&](const std::uint8_t* data, std::size_t size) { std::fwrite(data, 1, size, out.get()); });
  }
  ~SearchStore() { std::filesystem::remove(qm::platform::toPath(path_)); }
  const std::string& path() const { return path_; }
  std::size_t mails() const { return mails_; }

 private:
  std::string path_;
  std::size_t mails_ = 0;
};

const SearchStore& searchStore(bool tmpfs) {
  static std::map<bool, std::unique_ptr<SearchStore>> stores;
  auto& store = stores[tmpfs];
  if (!store) store = std::make_unique<SearchStore>(tmpfs);
  return *store;
}

// Each iteration: the plain read, then open, scan, link and close, each timed; the counters
// give their seconds and the ratio of the search to the read.
void BM_SearchAgainstRead(benchmark::State& state, bool tmpfs) {
  const SearchStore& store = searchStore(tmpfs);
  readInSteps(store.path());  // into the page cache
  QuietHost host;
  double read = 0, scan = 0, link = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    benchmark::DoNotOptimize(readInSteps(store.path()));
    read += secondsSince(start);
    DbxFile engine(host);
    start = Clock::now();
    engine.open(store.path());
    auto stage = Clock::now();
    engine.scanBlocks();
    scan += secondsSince(stage);
    stage = Clock::now();
    const std::int32_t mails = engine.linkBlocks();
    link += secondsSince(stage);
    engine.close();
    state.SetIterationTime(secondsSince(start));
    if (mails != static_cast<std::int32_t>(store.mails())) state.SkipWithError("mails missed");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_s"] = read / n;
  state.counters["scan_s"] = scan / n;
  state.counters["link_s"] = link / n;
  state.counters["search_per_read"] = (scan + link) / read;
}

void link(benchmark::State& state, qm::storegen::Layout layout) {
  const std::vector<DbxBlockRecord> table = blockTable(static_cast<std::size_t>(state.range(0)), layout);
  std::vector<DbxBlockRecord> work;
  std::vector<std::int32_t> mails;
  const LinkLogger quiet = [](const std::string&, bool) {};
  for (auto _ : state) {
    state.PauseTiming();
    work = table;
    state.ResumeTiming();
    benchmark::DoNotOptimize(linkBlockTable(work, mails, quiet));
  }
  state.SetComplexityN(state.range(0));
  state.counters["mails"] = static_cast<double>(mails.size());
}

void BM_LinkSpread(benchmark::State& state) { link(state, qm::storegen::Layout::Spread); }
void BM_LinkInterleaved(benchmark::State& state) { link(state, qm::storegen::Layout::Interleaved); }
void BM_LinkReversed(benchmark::State& state) { link(state, qm::storegen::Layout::Reversed); }
void BM_LinkInOrder(benchmark::State& state) { link(state, qm::storegen::Layout::InOrder); }

// The plain read runs first and warms the page cache for the scan; each is repeated so
// that both see the same cache.
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_CAPTURE(BM_SearchAgainstRead, tmpfs, true)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK_CAPTURE(BM_SearchAgainstRead, disk, false)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_LinkSpread)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinkInterleaved)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinkReversed)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinkInOrder)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
