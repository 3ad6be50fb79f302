#include "mailbox/store_index.h"

#include <memory>

#include "oestore/store_format.h"
#include "oestore/store_index.h"

namespace qm::mailbox {

std::optional<mail::UnixTime> unixTimeOf(std::uint64_t fileTime) {
  constexpr std::uint64_t kEpochGap = oe::kFileTimeUnixEpoch / oe::kTicksPerSecond;
  const std::uint64_t seconds = fileTime / oe::kTicksPerSecond;
  // Before 1980 or after 2200: no store ever held such a mail.
  if (seconds < kEpochGap + 315532800ULL || seconds > kEpochGap + 7258118400ULL) return std::nullopt;
  return static_cast<mail::UnixTime>(seconds - kEpochGap);
}

StoreIndex readStoreIndex(const std::string& path) {
  StoreIndex index;
  const std::unique_ptr<oe::FileSource> source = oe::FileSource::open(path);
  if (!source) {
    index.problem = "the store cannot be read";
    return index;
  }
  const oe::MessageIndex read = oe::readMessageIndex(*source);
  for (const auto& mail : read.mails) {
    const oe::MessageInfo& info = mail.info;
    if (info.firstBlock == 0) continue;
    MailState state;
    state.listed = true;
    state.read = (info.flags & oe::kFlagRead) != 0;
    state.flagged = (info.flags & kFlagFlagged) != 0;
    state.received = unixTimeOf(info.receivedTime);
    state.date = unixTimeOf(info.sentTime);
    index.byFirstBlock.emplace(info.firstBlock, state);
  }
  index.complete = read.problems.empty();
  if (!read.problems.empty()) index.problem = read.problems.front();
  return index;
}

}  // namespace qm::mailbox
