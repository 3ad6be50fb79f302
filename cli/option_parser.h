// Options of the quillmend commands: one table entry per option, from which the parser, the
// help text, the man page check and the completion scripts all take their names.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"

struct OptionSpec {
  std::string name;   // "--to"
  std::string alias;  // "-d", or empty
  std::string value;  // what the value is called ("KIND"); empty for a flag
  std::string help;   // one line, with the default where there is one
  // Takes the value (empty for a flag); returns why it is refused, or nothing.
  std::function<std::optional<std::string>(const std::string& value)> apply;
};
using OptionTable = std::vector<OptionSpec>;

// A flag that sets `target`.
OptionSpec flag(std::string name, std::string help, bool& target);

// What a command line holds besides its options.
struct ParsedArgs {
  std::vector<std::string> operands;
  bool help = false;  // --help or -h was given
};

// Parses "--opt value", "--opt=value", "-d value" and "--" against `options` (plus --help and
// -h, which every command takes). On a mistake: says what and why on `err`, with a
// suggestion for a mistyped option, and returns nothing.
std::optional<ParsedArgs> parseArgs(const std::string& command, const OptionTable& options,
                                    const CommandArgs& args, std::ostream& err);

// The candidate closest to `word` when it is close enough to be a slip of the keyboard.
std::optional<std::string> closestMatch(const std::string& word,
                                        const std::vector<std::string>& candidates);

// "  -d, --dest DEST   text" lines for a help page.
std::string optionLines(const OptionTable& options);
