// A whole store folder converted in one step against the run over its store alone: the
// mailbox run reads the folder, the store's index and each mail's place in it, and writes
// the same mails into the folder tree. The store folder holds one generated store of more
// than 1 GB (QM_BENCH_STORE_MB sets its size) and no folder list, so every mail is one its
// (missing) index does not list; the generator writes no index.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/conversion_store.h"
#include "convert/save_option.h"
#include "mailbox/eml_tree_output.h"
#include "mailbox/mailbox_run.h"
#include "mailbox/mbox_tree_output.h"
#include "platform/files.h"

namespace {

using qm::bench::ConversionStore;
using qm::bench::mix;
namespace mb = qm::mailbox;

std::string mailText(std::size_t m) {
  const std::uint64_t r = mix(m + 1000003);
  std::string text = "From: sender" + std::to_string(m % 97) + "@example.com\r\nTo: reader@example.com\r\n"
                     "Subject: Message " + std::to_string(m) + "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\n\r\n";
  const std::size_t lines = 20 + r % 600;
  for (std::size_t k = 0; k < lines; ++k) {
    text += (k % 50 == 7 ? "From the line " : "A line ") + std::to_string(mix(m * 1000 + k) % 100000) +
            " of the body, long enough to look like text.\r\n";
  }
  return text;
}

const ConversionStore& corpus() {
  static const ConversionStore c("mailbox", mailText);
  return c;
}

// The folder that holds the store (and the outputs, which are folders, not stores).
std::string storeFolder(const ConversionStore& c) {
  const std::string& store = c.store();
  return store.substr(0, store.find_last_of(qm::platform::pathSeparator()));
}

void BM_StoreRunToEml(benchmark::State& state) {
  qm::bench::timeConversionRuns(state, corpus(), qm::convert::SAVEASEML);
}

void timeMailboxRuns(benchmark::State& state, bool mbox) {
  const ConversionStore& c = corpus();
  const mb::Mailbox box = mb::readMailbox(storeFolder(c));
  mb::MailboxProgress quiet;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string out = c.freshOutput();
    state.ResumeTiming();
    mb::MailboxTotals totals;
    if (mbox) {
      mb::MboxTreeOutput output(out, c.temp());
      totals = mb::convertMailbox(box, output, {}, quiet);
    } else {
      mb::EmlTreeOutput output(out);
      totals = mb::convertMailbox(box, output, {}, quiet);
    }
    if (totals.written != static_cast<int>(c.mails())) state.SkipWithError("the run did not write every mail");
  }
  qm::bench::setCounters(state, c);
}

void BM_MailboxRunToEml(benchmark::State& state) { timeMailboxRuns(state, false); }
void BM_MailboxRunToMbox(benchmark::State& state) { timeMailboxRuns(state, true); }

}  // namespace

BENCHMARK(BM_StoreRunToEml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_MailboxRunToEml)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_MailboxRunToMbox)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK_MAIN();
