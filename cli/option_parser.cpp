#include "cli/option_parser.h"

#include <algorithm>

namespace {

// Edits (insertions, deletions, substitutions) between two words.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

const OptionSpec* findOption(const OptionTable& options, const std::string& name) {
  for (const auto& o : options)
    if (o.name == name || (!o.alias.empty() && o.alias == name)) return &o;
  return nullptr;
}

bool isOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

}  // namespace

OptionSpec flag(std::string name, std::string help, bool& target) {
  return {std::move(name), "", "", std::move(help),
          [&target](const std::string&) -> std::optional<std::string> {
            target = true;
            return std::nullopt;
          }};
}

std::optional<std::string> closestMatch(const std::string& word,
                                        const std::vector<std::string>& candidates) {
  std::optional<std::string> best;
  std::size_t bestDistance = 0;
  for (const auto& c : candidates) {
    const std::size_t d = editDistance(word, c);
    if (!best || d < bestDistance) best = c, bestDistance = d;
  }
  // Two slips in a long word, one in a short one.
  const std::size_t allowed = word.size() > 5 ? 2 : 1;
  if (best && bestDistance <= allowed) return best;
  return std::nullopt;
}

std::optional<ParsedArgs> parseArgs(const std::string& command, const OptionTable& options,
                                    const CommandArgs& args, std::ostream& err) {
  const std::string who = "quillmend " + command + ": ";
  const std::string seeHelp = "Try 'quillmend help " + command + "'.\n";
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || !isOption(arg)) {
      parsed.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    const auto equals = arg.find('=');
    const bool joined = arg.rfind("--", 0) == 0 && equals != std::string::npos;
    const std::string name = joined ? arg.substr(0, equals) : arg;
    const OptionSpec* option = findOption(options, name);
    if (!option) {
      err << who << "unknown option " << name;
      std::vector<std::string> names = {"--help"};
      for (const auto& o : options) names.push_back(o.name);
      if (const auto near = closestMatch(name, names)) err << " (did you mean " << *near << "?)";
      err << "\n" << seeHelp;
      return std::nullopt;
    }
    std::string value;
    if (option->value.empty()) {
      if (joined) {
        err << who << name << " takes no value\n" << seeHelp;
        return std::nullopt;
      }
    } else if (joined) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      err << who << name << " needs a value (" << option->value << ")\n" << seeHelp;
      return std::nullopt;
    }
    if (const auto refused = option->apply(value)) {
      err << who << *refused << "\n" << seeHelp;
      return std::nullopt;
    }
  }
  return parsed;
}

std::string optionLines(const OptionTable& options) {
  std::vector<std::string> left;
  std::size_t width = 0;
  for (const auto& o : options) {
    std::string text = o.alias.empty() ? "    " + o.name : "" + o.alias + ", " + o.name;
    if (!o.value.empty()) text += " " + o.value;
    width = std::max(width, text.size());
    left.push_back(std::move(text));
  }
  std::string lines;
  for (std::size_t i = 0; i < options.size(); ++i)
    lines += "  " + left[i] + std::string(width - left[i].size() + 3, ' ') + options[i].help + "\n";
  return lines;
}
