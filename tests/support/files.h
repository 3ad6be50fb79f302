// Whole-file helpers for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The lines of a text file, with CR LF or LF line ends removed.
std::vector<std::string> readLines(const std::string& path);
// Path of a file of the shared test material (real stores, reference PSTs).
std::string sharedFile(const std::string& relative);

}  // namespace qm::test
