#include <io.h>

#include <cstdio>

#include "cli/terminal.h"

bool stdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }
bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
