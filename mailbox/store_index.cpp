#include "mailbox/store_index.h"

#include <memory>

#include "mailbox/index_records.h"
#include "platform/files.h"

namespace qm::mailbox {

std::optional<mail::UnixTime> unixTimeOf(std::uint64_t fileTime) {
  constexpr std::uint64_t kTicksPerSecond = 10000000;
  constexpr std::uint64_t kEpochGap = 11644473600ULL;  // seconds from 1601 to 1970
  const std::uint64_t seconds = fileTime / kTicksPerSecond;
  // Before 1980 or after 2200: no store ever held such a mail.
  if (seconds < kEpochGap + 315532800ULL || seconds > kEpochGap + 7258118400ULL) return std::nullopt;
  return static_cast<mail::UnixTime>(seconds - kEpochGap);
}

StoreIndex readStoreIndex(const std::string& path) {
  using namespace message_index;
  StoreIndex index;
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(path, "rb"));
  if (!file) {
    index.problem = "the store cannot be read";
    return index;
  }
  const TreeRecords tree = readTreeRecords(file.get(), platform::fileSize(path).value_or(0), 0);
  for (const auto& r : tree.records) {
    const auto first = r.number(kFirstBlock);
    if (!first || *first == 0) continue;
    MailState state;
    state.listed = true;
    const std::uint32_t flags = r.number(kFlags).value_or(0);
    state.read = (flags & kFlagRead) != 0;
    state.flagged = (flags & kFlagFlagged) != 0;
    if (auto t = r.number64(kReceived)) state.received = unixTimeOf(*t);
    if (auto t = r.number64(kDate)) state.date = unixTimeOf(*t);
    index.byFirstBlock.emplace(*first, state);
  }
  index.complete = tree.complete;
  index.problem = tree.problem;
  return index;
}

}  // namespace qm::mailbox
