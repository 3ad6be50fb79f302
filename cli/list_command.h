// quillmend list: one line per mail of each store, as the raw scan and the chain linking
// find them, read from the first blocks of each mail only.
#pragma once

#include "cli/command.h"
#include "cli/option_parser.h"

struct ListOptions {
  bool json = false;
  std::string mailbox;  // a whole store folder, listed by the mailbox listing
};
OptionTable listOptionTable(ListOptions& o);

int runList(const CommandArgs& args, std::ostream& out, std::ostream& err);
