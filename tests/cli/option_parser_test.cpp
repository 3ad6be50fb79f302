// The option parser every command shares, and the program's help.
#include "cli/option_parser.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"

namespace {

struct Values {
  std::string to;
  bool json = false;
};

OptionTable table(Values& v) {
  return {{"--to", "-t", "KIND", "the kind",
           [&v](const std::string& s) -> std::optional<std::string> {
             if (s == "bad") return "--to cannot be 'bad'";
             return v.to = s, std::nullopt;
           }},
          flag("--json", "json", v.json)};
}

struct Parse {
  std::optional<ParsedArgs> parsed;
  Values values;
  std::string err;
};

Parse parse(const CommandArgs& args) {
  Parse p;
  std::ostringstream err;
  p.parsed = parseArgs("demo", table(p.values), args, err);
  p.err = err.str();
  return p;
}

TEST(OptionParser, TakesValuesInEveryUsualSpelling) {
  for (const CommandArgs& args : {CommandArgs{"--to", "eml", "a"}, CommandArgs{"--to=eml", "a"},
                                  CommandArgs{"-t", "eml", "a"}, CommandArgs{"a", "--to", "eml"}}) {
    const Parse p = parse(args);
    ASSERT_TRUE(p.parsed) << p.err;
    EXPECT_EQ(p.values.to, "eml");
    EXPECT_EQ(p.parsed->operands, std::vector<std::string>{"a"});
  }
  const Parse empty = parse({"--to=", "x"});
  ASSERT_TRUE(empty.parsed);
  EXPECT_EQ(empty.values.to, "");
  const Parse ended = parse({"--json", "--", "--to", "-x"});
  ASSERT_TRUE(ended.parsed);
  EXPECT_TRUE(ended.values.json);
  EXPECT_EQ(ended.parsed->operands, (std::vector<std::string>{"--to", "-x"}));
  EXPECT_TRUE(parse({"-h"}).parsed->help);
  EXPECT_TRUE(parse({"x", "--help"}).parsed->help);
}

TEST(OptionParser, MistakesAreExplainedWithASuggestion) {
  EXPECT_EQ(
      parse({"--jsno"}).err,
      "quillmend demo: unknown option --jsno (did you mean --json?)\nTry 'quillmend help demo'.\n");
  EXPECT_EQ(parse({"--frobnicate"}).err,
            "quillmend demo: unknown option --frobnicate\nTry 'quillmend help demo'.\n");
  EXPECT_EQ(parse({"--to"}).err,
            "quillmend demo: --to needs a value (KIND)\nTry 'quillmend help demo'.\n");
  EXPECT_EQ(parse({"--json=yes"}).err,
            "quillmend demo: --json takes no value\nTry 'quillmend help demo'.\n");
  EXPECT_EQ(parse({"--to", "bad"}).err,
            "quillmend demo: --to cannot be 'bad'\nTry 'quillmend help demo'.\n");
  EXPECT_FALSE(parse({"--jsno"}).parsed);
}

TEST(OptionParser, SuggestsOnlyWhatIsCloseEnough) {
  const std::vector<std::string> names = {"convert", "list", "scan", "search", "help"};
  EXPECT_EQ(closestMatch("convrt", names), "convert");
  EXPECT_EQ(closestMatch("scna", names), std::nullopt) << "two slips in a short word";
  EXPECT_EQ(closestMatch("lst", names), "list");
  EXPECT_EQ(closestMatch("export", names), std::nullopt);
}

TEST(Help, EveryCommandHasAPageWithEachOfItsOptions) {
  for (const auto& command : commands()) {
    std::ostringstream page;
    EXPECT_EQ(commandHelp(command.name, page), 0);
    EXPECT_EQ(page.str().rfind("usage: quillmend " + command.synopsis + "\n", 0), 0u) << page.str();
    for (const auto& option : command.options()) {
      EXPECT_NE(page.str().find(option.name + (option.value.empty() ? "" : " " + option.value)),
                std::string::npos)
          << command.name << " " << option.name;
      EXPECT_FALSE(option.help.empty());
    }
    EXPECT_NE(page.str().find("130  stopped by Ctrl-C"), std::string::npos);
  }
  std::ostringstream none;
  EXPECT_EQ(commandHelp("frob", none), 2);
}

}  // namespace
