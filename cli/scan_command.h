// quillmend scan [--json] [--log] FILE...: for each store, the message blocks the scan
// recognises, the mails they chain into and the chains dropped as incomplete.
#pragma once

#include "cli/command.h"

int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err);
