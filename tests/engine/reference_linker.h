// A plain transcription of the chain linking with its two list searches (the mail list
// from first to last, the waiting list from last to first), kept as the yardstick for the
// engine's indexed linking. Quadratic; for tests only.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/block_linker.h"
#include "engine/dbx_file.h"

std::int32_t referenceLinkBlocks(std::vector<DbxBlockRecord>& table,
                                 std::vector<std::int32_t>& mailList, const LinkLogger& log);
