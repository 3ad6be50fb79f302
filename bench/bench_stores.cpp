#include "bench/bench_stores.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/files.h"

namespace {

constexpr std::uint64_t kLargeStoreBytes = 1ull << 30;

// Mail lengths as a mailbox has them: mostly a few KB, some long ones with attachments.
std::vector<std::size_t> mailLengths(std::uint64_t totalBytes, std::uint32_t seed) {
  std::vector<std::size_t> lengths;
  std::uint64_t state = seed, sum = 0;
  while (sum < totalBytes) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const auto r = static_cast<std::size_t>(state >> 33);
    const std::size_t length = r % 10 == 0 ? 20000 + r % 200000 : 600 + r % 8000;
    lengths.push_back(length);
    sum += (length + 511) / 512 * 800;  // a block and some garbage around it
  }
  return lengths;
}

std::string mailText(std::size_t length, std::size_t number) {
  static const std::string body = [] {
    std::string text;
    while (text.size() < 300000)
      text += "The quarterly figures are attached; please check the travel costs before Friday.\r\n";
    return text;
  }();
  std::string text = "From: sender" + std::to_string(number) +
                     "@example.org\r\nTo: team@example.org\r\nSubject: report\r\n"
                     "Date: Mon, 3 Apr 2006 10:00:00 +0200\r\nMIME-Version: 1.0\r\n"
                     "X-MimeOLE: Produced By Microsoft MimeOLE V6.00.2900.2180\r\n\r\n";
  text += body.substr(0, length > text.size() ? length - text.size() : 0);
  text.resize(length, '.');
  return text;
}

}  // namespace

std::string largeStorePath() {
  const std::string path = qm::platform::tempFolder() + "quillmend-bench-1g.dbx";
  qm::storegen::StoreOptions options;
  options.layout = qm::storegen::Layout::Spread;
  options.largestGap = 600;
  const auto lengths = mailLengths(kLargeStoreBytes, 7);
  const qm::storegen::StorePlan plan = qm::storegen::planStore(lengths, options);
  if (qm::platform::fileSize(path) == plan.size) return path;
  std::unique_ptr<std::FILE, qm::platform::FileCloser> out(qm::platform::openFile(path, "wb"));
  if (!out) throw std::runtime_error("cannot write " + path);
  qm::storegen::emitStore(
      plan, [&](std::size_t m) { return mailText(lengths[m], m); }, options,
      [&](const std::uint8_t* data, std::size_t size) { std::fwrite(data, 1, size, out.get()); });
  return path;
}

std::vector<DbxBlockRecord> blockTable(std::size_t blocks, qm::storegen::Layout layout) {
  std::vector<std::size_t> lengths;
  std::uint64_t state = blocks;
  for (std::size_t total = 0; total < blocks;) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const std::size_t count = std::min<std::size_t>(1 + (state >> 33) % 40, blocks - total);
    lengths.push_back(count * 512);
    total += count;
  }
  qm::storegen::StoreOptions options;
  options.layout = layout;
  const qm::storegen::StorePlan plan = qm::storegen::planStore(lengths, options);
  std::vector<DbxBlockRecord> table;
  for (const auto& mail : plan.mails) {
    for (const auto& b : mail) {
      DbxBlockRecord r;
      r.position = static_cast<std::int64_t>(b.position);
      r.selfOffset = b.selfOffset;
      r.nextOffset = b.nextOffset;
      r.usedLength = b.usedLength;
      table.push_back(r);
    }
  }
  std::sort(table.begin(), table.end(),
            [](const DbxBlockRecord& a, const DbxBlockRecord& b) { return a.position < b.position; });
  return table;
}
