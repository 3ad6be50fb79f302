#include <io.h>

#include <cstdio>

#include "cli/terminal.h"

bool stdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }
