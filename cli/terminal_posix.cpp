#include <unistd.h>

#include "cli/terminal.h"

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
