// quillmend convert --to eml [options] -d DEST (FILE... | --search DIR): converts message
// stores with the same run, folder names and log lines as the window's Convert.
#pragma once

#include "cli/command.h"

int runConvert(const CommandArgs& args, std::ostream& out, std::ostream& err);
