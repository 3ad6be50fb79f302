// Writing mails into a personal folder file, against writing the same bytes as one plain
// file per mail in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mailstore/pst/pst_store.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
  std::vector<qm::mail::Message> mails;
  std::uint64_t bytes = 0;
};

// Mails of a few KB of text each; every tenth carries a 200 KB attachment.
const Corpus& corpus(int count) {
  static std::map<int, Corpus> cache;
  auto& c = cache[count];
  if (!c.mails.empty()) return c;
  for (int i = 0; i < count; ++i) {
    qm::mail::Message m;
    const std::string subject = "Quarterly figures, part " + std::to_string(i);
    m.subject.assign(subject.begin(), subject.end());
    m.from = {u"Anna Example", "anna@example.com"};
    m.sender = m.from;
    m.recipients.push_back({qm::mail::RecipientKind::To, {u"Bob Example", "bob@example.com"}});
    m.sentTime = 1600000000 + i;
    m.textBody = std::u16string(3000 + i % 1000, u'x');
    m.transportHeaders = "From: anna@example.com\r\nTo: bob@example.com\r\nSubject: " + subject + "\r\n";
    c.bytes += m.textBody->size() * 2 + m.transportHeaders.size();
    if (i % 10 == 0) {
      qm::mail::Attachment a;
      a.fileName = u"figures.xlsx";
      a.data.assign(200 * 1024, static_cast<std::uint8_t>(i));
      c.bytes += a.data.size();
      m.attachments.push_back(std::move(a));
    }
    c.mails.push_back(std::move(m));
  }
  return c;
}

fs::path scratch(const char* name) {
  const fs::path p = fs::temp_directory_path() / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

void BM_PstWrite(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  const fs::path dir = scratch("qm_bench_pst");
  for (auto _ : state) {
    auto store = qm::mail::createPstStore((dir / "out.pst").string(), u"Tarnwick Converted Mails");
    const auto folder = store->addFolder(store->rootFolder(), u"Inbox", "IPF.Note");
    for (const auto& m : c.mails) store->addMessage(folder, m, true);
    store->flush();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(c.bytes * state.iterations()));
  fs::remove_all(dir);
}

// The baseline: the same text and attachment bytes, one plain file per mail.
void BM_PlainFilesWrite(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  const fs::path dir = scratch("qm_bench_plain");
  for (auto _ : state) {
    int n = 0;
    for (const auto& m : c.mails) {
      std::FILE* f = std::fopen((dir / (std::to_string(n++) + ".eml")).string().c_str(), "wb");
      std::fwrite(m.transportHeaders.data(), 1, m.transportHeaders.size(), f);
      std::fwrite(m.textBody->data(), 2, m.textBody->size(), f);
      for (const auto& a : m.attachments) std::fwrite(a.data.data(), 1, a.data.size(), f);
      std::fclose(f);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(c.bytes * state.iterations()));
  fs::remove_all(dir);
}

BENCHMARK(BM_PlainFilesWrite)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PstWrite)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
