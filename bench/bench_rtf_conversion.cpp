// A conversion run to rich-text documents against the conversion run to .eml files over the
// same generated store, in the same process, alternating. The run to .eml files writes each
// mail once; the run to documents writes it as a temporary .eml file too, then parses it,
// writes it as a rich-text document and saves its attachments as files beside it.
//
// The mails are those of a working mailbox (bench/mailbox_mails.h). Folders and sizes as
// bench_eml_conversion (QM_BENCH_DIR, QM_BENCH_STORE_MB); QM_BENCH_SETTLE_SECONDS is the
// pause before each run (see qm::bench::settleDisk).
#include <benchmark/benchmark.h>

#include "bench/conversion_store.h"
#include "bench/mailbox_mails.h"
#include "convert/save_option.h"
#include "mailstore/standard_components.h"

namespace {

using qm::bench::ConversionStore;
using qm::bench::MailboxMails;

const ConversionStore& corpus() {
  static const MailboxMails mails;
  static const ConversionStore c("rtf", [](std::size_t m) { return mails(m); });
  return c;
}

void BM_EmlConversionRun(benchmark::State& state) {
  corpus();
  qm::bench::settleDisk();
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASEML);
}

void BM_RtfConversionRun(benchmark::State& state) {
  qm::mail::useStandardComponents();
  corpus();
  qm::bench::settleDisk();
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASRTF);
}

// Alternating, one run each, three pairs: a machine that slows down over the run shows as a
// difference between the .eml runs.
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_RtfConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_RtfConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_EmlConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_RtfConversionRun)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
