// MIME reading throughput over a generated store's worth of .eml files (about 1 GB,
// written under the temporary folder when the benchmark starts, removed at its end),
// against reading the same files with no parsing in the same run.
//
//   bench_mime [--benchmark_...]        QM_BENCH_MIME_MB sets the size in megabytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mailstore/mime/mime_reader.h"
#include "mailstore/mime/transfer_encoding.h"
#include "platform/files.h"

namespace {

const char* kWords[] = {"meeting", "report", "the", "and", "project", "Monday", "budget", "please",
                        "attached", "review", "thanks", "regards", "schedule", "update", "of",
                        "to", "we", "will", "next", "week", "draft", "final", "numbers", "team"};

class MailWriter {
 public:
  explicit MailWriter(std::uint32_t seed) : random_(seed) {}

  std::string mail(int index) {
    const unsigned kind = random_() % 100;
    std::string m = header(index);
    if (kind < 55) {
      m += "Content-Type: text/plain; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
      m += text(2000 + random_() % 18000);
    } else if (kind < 80) {
      m += "Content-Type: multipart/alternative; boundary=\"----=_NextPart_000_0001\"\r\n\r\n"
           "This is a multi-part message in MIME format.\r\n\r\n------=_NextPart_000_0001\r\n"
           "Content-Type: text/plain; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
      const std::string body = text(3000 + random_() % 30000);
      m += body + "\r\n------=_NextPart_000_0001\r\nContent-Type: text/html; charset=\"iso-8859-1\"\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n\r\n<html><body><p>" + body +
           "</p></body></html>\r\n------=_NextPart_000_0001--\r\n";
    } else {
      m += "Content-Type: multipart/mixed; boundary=\"----=_NextPart_000_0002\"\r\n\r\n"
           "------=_NextPart_000_0002\r\nContent-Type: text/plain; charset=\"us-ascii\"\r\n\r\n";
      m += text(1000 + random_() % 5000);
      const int attachments = 1 + static_cast<int>(random_() % 3);
      for (int a = 0; a < attachments; ++a) {
        m += "\r\n------=_NextPart_000_0002\r\nContent-Type: application/octet-stream;\r\n\tname=\"file" +
             std::to_string(a) + ".bin\"\r\nContent-Transfer-Encoding: base64\r\n"
             "Content-Disposition: attachment;\r\n\tfilename=\"file" + std::to_string(a) + ".bin\"\r\n\r\n";
        m += base64(40000 + random_() % 1500000);
      }
      m += "\r\n------=_NextPart_000_0002--\r\n";
    }
    return m;
  }

  // Base64 of random bytes in lines of 76 characters.
  std::string base64(std::size_t bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(bytes * 4 / 3 + bytes / 57 * 2 + 8);
    for (std::size_t i = 0; i < bytes; i += 3) {
      const std::uint32_t v = random_() & 0xFFFFFF;
      out += alphabet[v >> 18];
      out += alphabet[(v >> 12) & 63];
      out += alphabet[(v >> 6) & 63];
      out += alphabet[v & 63];
      if ((i / 3 + 1) % 19 == 0) out += "\r\n";
    }
    return out;
  }

 private:
  std::string header(int index) {
    return "Received: from mail.example.org ([192.0.2.7]) by mx.example.net with SMTP id " +
           std::to_string(index) + ";\r\n\tTue, 14 Jan 2003 09:12:45 +0100\r\n"
           "From: \"Anna Schmidt\" <anna@example.org>\r\nTo: <bob@example.net>, \"Carol\" <carol@example.net>\r\n"
           "Subject: Re: " + text(40) + "\r\nDate: Tue, 14 Jan 2003 09:10:00 +0100\r\n"
           "Message-ID: <" + std::to_string(index) + "@example.org>\r\nMIME-Version: 1.0\r\n"
           "X-Priority: 3\r\nX-MSMail-Priority: Normal\r\nX-Mailer: Mail client 6.00\r\n";
  }

  std::string text(std::size_t size) {
    std::string t;
    t.reserve(size + 16);
    std::size_t lineStart = 0;
    while (t.size() < size) {
      t += kWords[random_() % (sizeof kWords / sizeof *kWords)];
      if (t.size() - lineStart > 70) {
        t += "\r\n";
        lineStart = t.size();
      } else {
        t += ' ';
      }
    }
    return t;
  }

  std::mt19937 random_;
};

// The generated files, made once per run and removed at its end.
class GeneratedStore {
 public:
  GeneratedStore() {
    const char* mb = std::getenv("QM_BENCH_MIME_MB");
    const std::uint64_t target = (mb ? std::strtoull(mb, nullptr, 10) : 1024) * 1024 * 1024;
    folder_ = qm::platform::tempFolder() + "qm_bench_mime_" + std::to_string(std::random_device{}());
    qm::platform::createDirectory(folder_);
    MailWriter writer(20030114);
    for (int i = 0; bytes_ < target; ++i) {
      const std::string mail = writer.mail(i);
      const std::string path = folder_ + "/mail_" + std::to_string(i) + ".eml";
      std::unique_ptr<std::FILE, qm::platform::FileCloser> f(qm::platform::openFile(path, "wb"));
      if (!f || std::fwrite(mail.data(), 1, mail.size(), f.get()) != mail.size()) std::abort();
      paths_.push_back(path);
      bytes_ += mail.size();
    }
  }
  ~GeneratedStore() {
    std::error_code ec;
    std::filesystem::remove_all(qm::platform::toPath(folder_), ec);
  }
  const std::vector<std::string>& paths() const { return paths_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::string folder_;
  std::vector<std::string> paths_;
  std::uint64_t bytes_ = 0;
};

GeneratedStore& store() {
  static GeneratedStore instance;
  return instance;
}

// The baseline: each file read whole into memory, as the reader reads it, and nothing more.
std::size_t readOnly(const std::string& path) {
  std::unique_ptr<std::FILE, qm::platform::FileCloser> f(qm::platform::openFile(path, "rb"));
  if (!f) return 0;
  std::string bytes;
  if (const auto size = qm::platform::fileSize(path)) bytes.resize(static_cast<std::size_t>(*size));
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f.get());
  benchmark::DoNotOptimize(bytes.data());
  return n;
}

void BM_ReadFilesOnly(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t total = 0;
    for (const std::string& path : store().paths()) total += readOnly(path);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * store().bytes()));
  state.counters["files"] = static_cast<double>(store().paths().size());
}

void BM_ReadAndParseMime(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t attachments = 0;
    for (const std::string& path : store().paths()) {
      const auto message = qm::mail::readMimeFile(path);
      attachments += message ? message->attachments.size() : 0;
    }
    benchmark::DoNotOptimize(attachments);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * store().bytes()));
}

// The files are read once before timing so both runs find them in the page cache.
void BM_WarmUp(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& path : store().paths()) benchmark::DoNotOptimize(readOnly(path));
  }
}

// The decoder that most of a store's bytes go through: base64 in 76-character lines.
void BM_Base64Decode(benchmark::State& state) {
  const std::string encoded = MailWriter(7).base64(48u << 20);
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    out.clear();
    qm::mail::mime::decodeBase64(encoded, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * encoded.size()));
}

BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WarmUp)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFilesOnly)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndParseMime)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
