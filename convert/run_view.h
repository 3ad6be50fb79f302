// What a conversion run reports: what happened, never how to show it. The main window turns
// the reports into its bars, texts and message boxes, the command line into its progress
// line and summary, the tests into a record.
//
// Threading contract. Every report comes from the run's own thread, under the run's gate
// (CancelToken::guard), so an implementation must never wait for the thread that calls
// CancelToken::stop(). The window posts each report to its own thread together with the
// run's identity and drops it there once that run is no longer the current one. The one
// wait of a run, for a message to be read, is waitForMessage(), called outside the gate.
#pragma once

#include <cstdint>
#include <string>

namespace qm::convert {

// The weight of a message: an error ends the run or costs mails, a notice asks something of
// the user before the run goes on.
enum class MessageKind { Error, Notice };

// Reported once, after the source list has been read.
struct RunStart {
  int fileCount = 0;            // rows in the source list
  std::int32_t saveOption = 0;  // the output kind (SaveOption)
};

// Reported when the worker takes up a source file.
struct FileStart {
  int index = 0;  // 0-based position in the source list
  int count = 0;  // rows in the list
  std::string sourcePath;
  std::string fileName;
  std::string baseName;  // the file name without ".dbx"
};

// What became of one mail of a file.
enum class MailResult {
  Saved,     // written in the output kind
  Failed,    // lost; the run goes on with the next mail
  Skipped,   // lost before the mode took it up (no mail object): it moves no progress
  NotAMail,  // an entry of the engine's list whose chain has a block in front of it: no mail
             // of its own, neither written nor counted as failed
};

struct MailDone {
  int index = 0;  // 0-based among the file's mails
  int count = 0;  // mails found in the file
  MailResult result = MailResult::Saved;
};

// Reported at the end of each file that was converted to its end.
struct FileReport {
  int index = 0;
  std::string sourcePath;
  std::string outputFolder;
  int mailsFound = -1;  // the engine's count; -1 when it could not open the file
  int mailsSaved = 0;   // mails the mode completed
  int mailsFailed = 0;  // mails tried that failed (Failed and Skipped)
  int notMailStarts = 0;
};

// How a run ended.
struct RunEnd {
  enum class Outcome {
    Completed,  // every listed file was taken through
    Stopped,    // a stop check found the run stopped
    Failed,     // something ended the run early: a mode could not set up or go on, or an
                // unexpected failure
  };
  Outcome outcome = Outcome::Completed;
  std::string destination;  // Completed: the folder the output went into
  std::string reason;       // Failed: what ended the run, as the error log names it

  // The completion message the user reads after a completed run.
  std::string completionMessage() const {
    return "Files converted Successfully to " + destination + " folder";
  }
};

class RunView {
 public:
  virtual ~RunView() = default;

  virtual void runStarted(const RunStart& run) = 0;
  virtual void fileStarted(const FileStart& file) = 0;
  // The engine's mail count for the current file; -1 when it could not open it.
  virtual void mailsFound(int count) = 0;
  virtual void mailDone(const MailDone& mail) = 0;
  virtual void fileFinished(const FileReport& report) = 0;
  // Something the user must read (the window shows a box with an OK button). Returns at
  // once; the run then waits in waitForMessage() until it has been read.
  virtual void message(MessageKind kind, const std::string& text) = 0;
  virtual void waitForMessage() {}
  // The last report of every run that got as far as its first report.
  virtual void runEnded(const RunEnd& end) = 0;
};

}  // namespace qm::convert
