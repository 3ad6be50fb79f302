// The arguments of quillmend convert.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "convert/run_input.h"

struct ConvertOptions {
  std::string to;  // "eml", "pst", ...
  bool recovery = false;
  bool log = false;
  bool into = false;  // DEST itself, no time-stamped folder inside it
  bool overwrite = false;  // output folders that hold files lose this kind's earlier output
  std::string destination;
  std::vector<std::string> files;
  std::vector<std::string> searchFolders;
  qm::convert::OutputNaming naming;
};

inline constexpr const char* kConvertUsage =
    "usage: quillmend convert --to (eml | pst) [--recovery] [--log] [--counter N | --no-counter]\n"
    "                         [--tag TEXT | --no-tag] [--no-type-tag] [--into] [--overwrite]\n"
    "                         -d DEST"
    " (FILE... | --search DIR)\n";

// The options, or nothing after an explanation on `err`.
std::optional<ConvertOptions> parseConvertOptions(const CommandArgs& args, std::ostream& err);
