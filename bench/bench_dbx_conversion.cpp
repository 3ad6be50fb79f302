// A conversion run to a new Outlook Express store against the conversion run to .eml files
// over the same generated store, in the same process, alternating. The run to .eml files
// writes each mail once; the run to a store writes it as a temporary .eml file too, reads
// it back, writes it into the store file (records, blocks, at the end the index tree) and
// deletes it, then copies the store file into the output folder.
//
// The mails are of the sizes a real mailbox holds: mostly a few KB to 40 KB, every 40th one
// with an attachment of up to 1 MB. Folders and sizes as bench_eml_conversion (QM_BENCH_DIR,
// QM_BENCH_STORE_MB); QM_BENCH_SETTLE_SECONDS is the pause before each run.
#include <benchmark/benchmark.h>
#include <string>

#include "bench/conversion_store.h"
#include "convert/save_option.h"

namespace {

using qm::bench::ConversionStore;

class PoolMails {
 public:
  std::string operator()(std::size_t m) const {
    const std::string text = "Received: from mail.example.org by mx.example.net; 2 Mar 2010 09:12:45 +0100\r\n"
                             "From: \"Sender " + std::to_string(m % 97) + "\" <sender" + std::to_string(m % 97) +
                             "@example.com>\r\nTo: Reader <reader@example.com>\r\nSubject: Re: Message " +
                             std::to_string(m) + "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMessage-ID: <" +
                             std::to_string(m) + "@example.com>\r\nMIME-Version: 1.0\r\n\r\n";
    return text + pool_.cut(m, qm::bench::mailboxMailLength(m) - text.size());
  }

 private:
  qm::bench::TextPool pool_{4 << 20};
};

const ConversionStore& corpus() {
  static const PoolMails mails;
  static const ConversionStore c("dbx", [](std::size_t m) { return mails(m); });
  return c;
}

void BM_EmlConversionRun(benchmark::State& state) {
  corpus();
  qm::bench::settleDisk();
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASEML);
}

void BM_DbxConversionRun(benchmark::State& state) {
  corpus();
  qm::bench::settleDisk();
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASDBX);
}

// Alternating, one run each: a machine that slows down over the run shows as a difference
// between the .eml runs.
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_DbxConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_DbxConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_DbxConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
