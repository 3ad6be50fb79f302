// The man page and the completion scripts name exactly the options the program accepts.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "tests/support/files.h"

namespace {

const std::string kSource = QM_SOURCE_DIR;

std::set<std::string> acceptedOptions(const CommandInfo& command) {
  std::set<std::string> names;
  for (const auto& o : command.options()) {
    names.insert(o.name);
    if (!o.alias.empty()) names.insert(o.alias);
  }
  return names;
}

// The options of the man page's section on `command`: the tags of its .TP paragraphs.
std::set<std::string> manPageOptions(const std::string& page, const std::string& command) {
  std::set<std::string> names;
  std::istringstream lines(page);
  bool inSection = false, tagNext = false;
  const std::regex option(R"(\\fB((\\-)+[a-zA-Z\\-]+)\\fR)");
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(".SS ", 0) == 0 || line.rfind(".SH ", 0) == 0)
      inSection = line == ".SS " + command;
    if (!inSection) continue;
    if (line == ".TP") {
      tagNext = true;
      continue;
    }
    if (!tagNext) continue;
    tagNext = false;
    for (std::sregex_iterator m(line.begin(), line.end(), option), end; m != end; ++m) {
      std::string name = (*m)[1];
      name = std::regex_replace(name, std::regex(R"(\\-)"), "-");
      names.insert(name);
    }
  }
  return names;
}

TEST(ManPage, DocumentsEveryOptionOfEveryCommandAndNoOther) {
  const std::string page = qm::test::readFile(kSource + "/docs/quillmend.1");
  for (const auto& command : commands()) {
    EXPECT_EQ(manPageOptions(page, command.name), acceptedOptions(command)) << command.name;
    EXPECT_NE(page.find(".SS " + command.name + "\n"), std::string::npos) << command.name;
  }
  for (const char* code : {".B 0\n", ".B 1\n", ".B 2\n", ".B 130\n"})
    EXPECT_NE(page.find(code), std::string::npos);
}

TEST(Completion, BashAndZshOfferEveryCommandAndOption) {
  for (const char* script :
       {"/scripts/completion/quillmend.bash", "/scripts/completion/_quillmend"}) {
    const std::string text = qm::test::readFile(kSource + script);
    for (const auto& command : commands()) {
      EXPECT_NE(text.find(command.name), std::string::npos) << script << " " << command.name;
      for (const auto& name : acceptedOptions(command)) {
        const std::regex word("(^|[^a-z-])" + name + "([^a-z-]|$)");
        EXPECT_TRUE(std::regex_search(text, word)) << script << " " << command.name << " " << name;
      }
    }
  }
}

}  // namespace
