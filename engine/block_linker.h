// Chains the recognised message blocks into mails: each block is linked to the block whose
// stored self offset equals its next-block offset, wherever that block lies, and the first
// block of every chain is collected in the mail list. Where chains run forward to the block
// behind them, one linear pass links them; from the first block that needs more, mail
// starts are looked up in list order and waiting blocks latest first, through indexes keyed
// by offset, so the whole linking costs O(n log n) at most. Chains whose last block still
// expects a successor are dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/dbx_file.h"

using LinkLogger = std::function<void(const std::string& text, bool toErrorLog)>;

struct LinkOutcome {
  std::int32_t mails = 0;     // entries left in the mail list
  std::int32_t rejected = 0;  // chains dropped as incomplete
};

// Sets status, next and hasPredecessor of every record, fills mailList, and reports its
// log lines through `log`.
LinkOutcome linkBlockTable(std::vector<DbxBlockRecord>& table, std::vector<std::int32_t>& mailList,
                           const LinkLogger& log);

// Drops the mails whose chain ends in a block that still names a successor; walks every
// chain once in all (shared tails and loops included). Writes the rejection lines, latest
// mail first, with the positions the mails had before.
std::int32_t dropIncompleteChains(const std::vector<DbxBlockRecord>& table,
                                  std::vector<std::int32_t>& mailList, const LinkLogger& log);
