// quillmend index [--check] FILE...: the mails each message store's own index lists (id,
// date sent, size, sender, subject), read through the header, the index tree and the
// message records only; with --check, the faults the structural check finds as well.
#pragma once

#include "cli/command.h"

int runIndex(const CommandArgs& args, std::ostream& out, std::ostream& err);
