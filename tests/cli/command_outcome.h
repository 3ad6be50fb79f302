// Runs one command with its output caught, as the command tests read it.
#pragma once

#include <sstream>
#include <string>

#include "cli/command.h"

struct CommandOutcome {
  int status = -1;
  std::string out, err;
};

inline CommandOutcome runCaught(CommandFunction command, const CommandArgs& args) {
  std::ostringstream out, err;
  CommandOutcome o;
  o.status = command(args, out, err);
  o.out = out.str();
  o.err = err.str();
  return o;
}
