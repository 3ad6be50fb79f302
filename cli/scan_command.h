// quillmend scan: what the engine finds in each store, without writing anything.
#pragma once

#include "cli/command.h"
#include "cli/option_parser.h"

struct ScanOptions {
  bool json = false;
  bool log = false;
};
OptionTable scanOptionTable(ScanOptions& o);

int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err);
