// What a message store's own index says about its mails: for each message info record, the
// first block of the mail's text and the state Outlook Express kept (read, flagged, when it
// was received). The raw scan finds the mails; this only tells which of them the index still
// lists and in what state.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "mailstore/message.h"

namespace qm::mailbox {

// The message info flag that marks a mail flagged for follow-up (read is oe::kFlagRead).
inline constexpr std::uint32_t kFlagFlagged = 0x20;

struct MailState {
  bool listed = false;  // the store's index lists the mail
  bool read = true;
  bool flagged = false;
  std::optional<mail::UnixTime> received;  // from the index
  std::optional<mail::UnixTime> date;      // the Date: header as the index keeps it
};

struct StoreIndex {
  std::map<std::uint32_t, MailState> byFirstBlock;  // listed mails by their first block's offset
  bool complete = false;
  std::string problem;
};

// Reads the index of the store at `path`; a damaged index gives what could be read.
StoreIndex readStoreIndex(const std::string& path);

// A FILETIME (100 ns ticks since 1601) as seconds since 1970; nothing for 0 and for values
// no mail can have.
std::optional<mail::UnixTime> unixTimeOf(std::uint64_t fileTime);

}  // namespace qm::mailbox
