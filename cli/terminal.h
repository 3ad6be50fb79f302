// Whether the program's standard output is an interactive terminal.
#pragma once

bool stdoutIsTerminal();
