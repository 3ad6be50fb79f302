// quillmend: the command-line program. Dispatches to one subcommand per file.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "mailstore/standard_components.h"

namespace {

std::vector<std::string> commandNames() {
  std::vector<std::string> names = {"help"};
  for (const auto& c : commands()) names.push_back(c.name);
  return names;
}

int unknownCommand(const std::string& name) {
  std::cerr << "quillmend: unknown command '" << name << "'";
  if (const auto near = closestMatch(name, commandNames()))
    std::cerr << " (did you mean " << *near << "?)";
  std::cerr << "\nTry 'quillmend --help'.\n";
  return kExitUsage;
}

int help(const std::vector<std::string>& args) {
  if (args.empty()) {
    printOverview(std::cout);
    return kExitOk;
  }
  if (commandHelp(args[0], std::cout) == kExitOk) return kExitOk;
  return unknownCommand(args[0]);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printOverview(std::cerr);
    return kExitUsage;
  }
  const std::string& name = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (name == "help" || name == "--help" || name == "-h") return help(rest);
  if (name == "--version" || name == "-V") {
    std::cout << versionText() << "\n";
    return kExitOk;
  }
  const CommandInfo* command = findCommand(name);
  if (!command) {
    if (name.size() > 1 && name[0] == '-') {
      std::cerr << "quillmend: unknown option " << name << "\nTry 'quillmend --help'.\n";
      return kExitUsage;
    }
    return unknownCommand(name);
  }
  qm::mail::useStandardComponents();
  try {
    return command->run(rest, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "quillmend " << name << ": " << e.what() << "\n";
    return kExitSomeFailed;
  }
}
