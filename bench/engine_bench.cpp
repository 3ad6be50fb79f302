// The block scan of a 1 GiB store against a plain sequential read of the same file in the
// same run (page cache warm), and the chain linking of 10^4 to 10^6 blocks.
#include <benchmark/benchmark.h>

#include <cstdio>
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

// The plain read runs first and warms the page cache for the scan; each is repeated so
// that both see the same cache.
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_LinkSpread)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinkInterleaved)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LinkReversed)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
