// The arguments of quillmend convert.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/option_parser.h"
#include "convert/run_input.h"

struct ConvertOptions {
  std::string to;  // "eml", "pst", ...
  std::string mailbox;    // a whole store folder, converted by the mailbox run
  std::string recovered;  // with mailbox: "keep" or "drop"
  bool recovery = false;
  bool log = false;
  bool into = false;  // DEST itself, no time-stamped folder inside it
  bool overwrite = false;  // output folders that hold files lose this kind's earlier output
  bool json = false;
  bool quiet = false;
  bool progress = false;  // the progress line even when standard error is no terminal
  std::string destination;
  std::vector<std::string> files;
  std::vector<std::string> searchFolders;
  qm::convert::OutputNaming naming;
};

// The options of convert, writing into `o`.
OptionTable convertOptionTable(ConvertOptions& o);

// The options, or nothing after an explanation on `err`; `help` is set, and nothing else
// checked, when --help was given.
std::optional<ConvertOptions> parseConvertOptions(const CommandArgs& args, std::ostream& err,
                                                  bool& help);
