// JSON string literals for the command line's --json output.
#pragma once

#include <string>

// The text as a JSON string literal with its quotes; UTF-8 passes through, control
// characters, quotes and backslashes are escaped, and bytes that are not UTF-8 become U+FFFD.
std::string jsonString(const std::string& utf8);
