// A subcommand of the quillmend program: takes its own arguments (without the program and
// command names) and the two output streams, and returns the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;
using CommandFunction = int (*)(const CommandArgs& args, std::ostream& out, std::ostream& err);

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;  // the command ran, but some input could not be used
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C (128 + SIGINT)
