// Whether the program's standard output or standard error is an interactive terminal.
#pragma once

bool stdoutIsTerminal();
bool stderrIsTerminal();
