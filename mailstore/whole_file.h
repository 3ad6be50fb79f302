// A file written whole or not at all: the bytes go to a temporary name beside it, which is
// renamed to the file's name once they are all on disk. A reader (or a stopped run) never
// finds the file half-written, and an older file of that name stays until the new one is
// complete.
#pragma once

#include <cstddef>
#include <string>

namespace qm::mail {

// Throws ComponentError when the file cannot be written; no temporary file is left then.
void writeWholeFile(const std::string& utf8Path, const void* data, std::size_t size);

}  // namespace qm::mail
