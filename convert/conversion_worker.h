// The conversion run: takes the listed stores one after another, makes an output folder and
// a temporary folder for each, has the chosen output mode convert its mails, and reports
// what happened to its view, up to how the run ended.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "convert/cancel_token.h"
#include "convert/output_mode.h"
#include "convert/run_environment.h"
#include "convert/run_input.h"
#include "convert/run_view.h"

namespace qm::convert {

class ConversionWorker {
 public:
  using ModeFactory = std::function<std::unique_ptr<OutputMode>(std::int32_t saveOption)>;

  ConversionWorker(const RunInput& input, RunView& view, CancelToken& token,
                   RunEnvironment env = {}, ModeFactory modes = makeOutputMode);

  // Runs the whole conversion on the calling thread: 0 after a completed run, -1 after a
  // run that was stopped or failed. Nothing escapes it.
  int run();
  // The report of the last file the run took, as far as it went: after a stop it still
  // counts the mails the run completed, which the view no longer hears of.
  const FileReport& lastFile() const { return lastFile_; }

 private:
  struct Run;
  int runAll(Run& run);
  bool convertFile(Run& run, int index);
  bool convertMails(Run& run, FileJob& job, FileReport& report);
  bool setUpMode(Run& run, const FileJob& job);
  // A run that ends before its last file: -1, after the report of its failure (none when
  // it was stopped). Without a reason, the last error-log line of the run says why.
  static int endEarly(Run& run, std::string reason = {});

  const RunInput& input_;
  RunView& view_;
  CancelToken& token_;
  RunEnvironment env_;
  ModeFactory modes_;
  FileReport lastFile_;
};

}  // namespace qm::convert
