// quillmend search DIR...: the message stores below each folder, one path a line, in the
// order the Search dialog lists them.
#pragma once

#include "cli/command.h"

int runSearch(const CommandArgs& args, std::ostream& out, std::ostream& err);
