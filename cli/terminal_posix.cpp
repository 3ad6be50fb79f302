#include <unistd.h>

#include "cli/terminal.h"

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
