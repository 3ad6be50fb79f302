#include "bench/conversion_store.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::bench {
namespace {

namespace fs = std::filesystem;

std::uint64_t storeTarget() {
  const char* mb = std::getenv("QM_BENCH_STORE_MB");
  return (mb ? std::strtoull(mb, nullptr, 10) : 1100) << 20;
}

class QuietView : public convert::RunView {
 public:
  void runStarted(const convert::RunStart&) override {}
  void fileStarted(const convert::FileStart&) override {}
  void mailsFound(int) override {}
  void mailDone(const convert::MailDone&) override {}
  void fileFinished(const convert::FileReport& report) override { saved = report.mailsSaved; }
  void message(convert::MessageKind, const std::string&) override {}
  void runEnded(const convert::RunEnd&) override {}
  int saved = 0;
};

}  // namespace

std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

TextPool::TextPool(std::size_t size) {
  pool_.reserve(size);
  for (std::uint64_t k = 0; k < size; ++k) pool_ += static_cast<char>(' ' + mix(k) % 94);
}

std::string TextPool::cut(std::size_t m, std::size_t length) const {
  return pool_.substr(mix(m) % (pool_.size() - length), length);
}

std::size_t mailboxMailLength(std::size_t m) {
  const std::uint64_t r = mix(m + 1000003);
  std::size_t length = 1500 + r % 40000;
  if (m % 40 == 39) length += 100000 + r % 900000;
  return length;
}

ConversionStore::ConversionStore(const std::string& name, MailText mail, std::uint64_t targetBytes,
                                 const std::string& parent)
    : mail_(std::move(mail)) {
  const std::uint64_t target = targetBytes ? targetBytes : storeTarget();
  for (std::uint64_t total = 0; total < target;) {
    const std::size_t length = mail_(lengths_.size()).size();
    lengths_.push_back(length);
    mailBytes_ += length;
    total += length / 512 * 528 + 528;
  }
  const char* dir = std::getenv("QM_BENCH_DIR");
  const std::string base = !parent.empty() ? parent + platform::pathSeparator()
                           : dir          ? std::string(dir) + platform::pathSeparator()
                                          : platform::tempFolder();
  folder_ = base + "qm_bench_" + name +
            "_" + std::to_string(mix(reinterpret_cast<std::uintptr_t>(this)) % 1000000);
  fs::create_directories(platform::toPath(folder_));
  store_ = folder_ + platform::pathSeparator() + "Bench.dbx";

  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(store_, "wb"));
  const storegen::StoreOptions options;
  const auto plan = storegen::planStore(lengths_, options);
  storegen::emitStore(plan, mail_, options,
                      [&](const std::uint8_t* data, std::size_t size) { std::fwrite(data, 1, size, file.get()); });
}

ConversionStore::~ConversionStore() {
  std::error_code ec;
  fs::remove_all(platform::toPath(folder_), ec);
}

std::string ConversionStore::temp() const {
  return folder_ + platform::pathSeparator() + "temp" + platform::pathSeparator();
}

std::string ConversionStore::freshOutput() const {
  static int made = 0;
  const std::string folder =
      folder_ + platform::pathSeparator() + "out" + platform::pathSeparator() + std::to_string(++made);
  std::error_code ec;
  fs::create_directories(platform::toPath(folder), ec);
  fs::create_directories(platform::toPath(temp()), ec);
  return folder;
}

bool convertOnce(const ConversionStore& store, std::int32_t saveOption, const std::string& destination,
                 const convert::ConversionWorker::ModeFactory& modes) {
  convert::RunSettings settings;
  settings.sources = {convert::sourceRowFor(store.store())};
  settings.saveOption = saveOption;
  settings.destinationFolder = destination;
  convert::RunEnvironment env;
  env.tempRoot = store.temp();
  convert::SettingsInput input(settings);
  QuietView view;
  convert::CancelToken token;
  const int result = convert::ConversionWorker(input, view, token, env, modes).run();
  return result == 0 && view.saved == static_cast<int>(store.mails());
}

void timeConversionRuns(benchmark::State& state, const ConversionStore& store, std::int32_t saveOption,
                        const convert::ConversionWorker::ModeFactory& modes) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::string destination = store.freshOutput();
    state.ResumeTiming();
    if (!convertOnce(store, saveOption, destination, modes)) state.SkipWithError("the run did not convert every mail");
  }
  setCounters(state, store);
}

void setCounters(benchmark::State& state, const ConversionStore& store) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * store.mailBytes()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * store.mails()));
  state.counters["store_MB"] = static_cast<double>(*platform::fileSize(store.store())) / (1 << 20);
}

void settleDisk() {
  ::sync();
  const char* wait = std::getenv("QM_BENCH_SETTLE_SECONDS");
  std::this_thread::sleep_for(std::chrono::seconds(wait ? std::strtoul(wait, nullptr, 10) : 70));
}

}  // namespace qm::bench
