// Inputs for the engine benchmarks: a generated store of at least 1 GiB under the system's
// temporary folder (made once, reused while its size is right) and block tables of
// realistic layouts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/dbx_file.h"
#include "tests/support/storegen/store_generator.h"

// Path of the large store, generating it first when it is missing.
std::string largeStorePath();

// A block table as the scan would leave it for `blocks` blocks of mails of 1 to 40 blocks.
std::vector<DbxBlockRecord> blockTable(std::size_t blocks, qm::storegen::Layout layout);
