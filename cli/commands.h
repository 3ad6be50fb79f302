// The commands of the quillmend program and their help pages.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/option_parser.h"

struct CommandInfo {
  std::string name;
  std::string synopsis;  // after "quillmend "
  std::string summary;   // one line
  std::string description;
  std::string examples;      // lines of "quillmend ..." with a comment
  OptionTable (*options)();  // the command's options, for help and checks
  CommandFunction run;
};

const std::vector<CommandInfo>& commands();
const CommandInfo* findCommand(const std::string& name);

// "quillmend 0.1.0".
std::string versionText();

// The overview: commands, the options every command takes, exit codes.
void printOverview(std::ostream& out);
// The help page of one command.
void printCommandHelp(const CommandInfo& command, std::ostream& out);
// Prints the help page of `name` to `out`.
int commandHelp(const std::string& name, std::ostream& out);
