// An output kind's part of a run. The worker owns everything the kinds share: the output and
// temporary folders, opening and searching each source file, the loop over its mails with
// the engine writing each mail as an .eml file, the progress, the stop checks and the end of
// the file. A mode adds what it does with a file and with each written mail.
#pragma once

#include <memory>
#include <string>

#include "convert/run_context.h"

class DbxFile;

namespace qm::convert {

// One source file of a run, as the worker has prepared it.
struct FileJob {
  int index = 0;  // 0-based position in the run
  int count = 0;  // files in the run
  std::string sourcePath;
  std::string fileName;
  std::string baseName;      // the file name without ".dbx"
  std::string outputFolder;  // under the destination
  std::string tempFolder;    // in the system's temporary folder
  DbxFile* engine = nullptr;  // the run's engine object
};

// The end of a mode's set-up for a file.
struct ModeSetup {
  enum class Outcome { Ready, Stopped, Failed };
  Outcome outcome = Outcome::Ready;
  // On failure: the message box shown to the user (none when empty) and the error-log line.
  std::string message;
  std::string errorLine;

  static ModeSetup ready() { return {}; }
  static ModeSetup stopped() { return {Outcome::Stopped, {}, {}}; }
  static ModeSetup failed(std::string message, std::string errorLine) {
    return {Outcome::Failed, std::move(message), std::move(errorLine)};
  }
};

// What became of one mail.
enum class MailOutcome {
  Converted,  // done; the progress moves on
  Failed,     // lost, the progress moves on
  Skipped,    // lost, the progress stays where the previous mail put it
  Stopped,    // a stop check found the run stopped: the run ends
  Aborted,    // the mode cannot go on (it has said why): the run ends
};

class OutputMode {
 public:
  virtual ~OutputMode() = default;

  // The mode's own set-up for a file, from its first log line ("In SAVEASEML") on; runs
  // after the worker has prepared the folders and before the engine opens the file. A failed
  // set-up ends the whole run: the worker shows the message and logs the line.
  virtual ModeSetup beginFile(RunContext& run, const FileJob& job) = 0;
  // The folder the engine writes each mail into: the output folder when the written .eml
  // file is the product, the temporary folder when the mode imports it.
  virtual std::string mailFolder(const FileJob& job) const = 0;
  // The mode's work with mail `index` once the engine has written it to `emlPath` (saved)
  // or failed to (the mode logs its failure line).
  virtual MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                                 const std::string& emlPath) = 0;
  // After the last mail, before the file bar goes to 100; false when a stop check ended it
  // or the mode could not complete its output (it has said why).
  virtual bool finishMails(RunContext& /*run*/, const FileJob& /*job*/) { return true; }
  // The execution-log line written after the mails, whatever became of them.
  virtual std::string successLine(const FileJob& job) const = 0;
  // After the worker's end of the file, and on every way out of a run during the file:
  // releases what the mode holds for it.
  virtual void endFile(RunContext& /*run*/, const FileJob& /*job*/) {}
};

// The mode for an output kind; none for a value outside 1 to 5 or a kind not built yet.
std::unique_ptr<OutputMode> makeOutputMode(std::int32_t saveOption);

}  // namespace qm::convert
