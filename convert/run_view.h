// What a conversion run shows. The main window implements it over its controls, the command
// line over the terminal, the tests with a recorder.
//
// Threading contract. Every call comes from the run's own thread while it holds the run's
// gate (CancelToken::guard), so an implementation must never wait for the thread that calls
// CancelToken::stop(): the window posts each update to its own thread together with the
// run's token and, when it gets there, drops it if that token is stopped by then. The one
// wait of a run, for a message box to be closed, is waitForMessage(), called outside the
// gate.
#pragma once

#include <string>

namespace qm::convert {

// Which box: the window shows Notice with the information icon and the other two without
// an icon; the command line prints Error to the error stream and the other two to the
// output stream.
enum class MessageKind { Error, Notice, Completion };

// Reported when the worker takes up a source file (after its scan line is shown).
struct FileStart {
  int index = 0;  // 0-based position in the source list
  int count = 0;  // rows in the list
  std::string sourcePath;
  std::string fileName;
};

// Reported at the end of each file that was converted to its end.
struct FileReport {
  int index = 0;
  std::string sourcePath;
  std::string outputFolder;
  int mailsFound = -1;  // the engine's count; -1 when it could not open the file
  int mailsSaved = 0;   // mails the mode completed
  int mailsFailed = 0;  // mails tried that failed
  // Entries of the engine's mail list whose chain turned out to have a block in front of
  // it: they are no mails of their own, cannot be written and are not counted as failed.
  int notMailStarts = 0;
  // What the engine found in the store: chains dropped as incomplete, blocks that belong to
  // no mail, and mails without a recognisable header (written, or refused in recovery mode).
  int rejectedChains = 0;
  int strayBlocks = 0;
  int headerless = 0;
};

class RunView {
 public:
  virtual ~RunView() = default;

  // The scan line (control 1015), already cut to what the line shows.
  virtual void setScanLine(const std::string& text) = 0;
  // The percent label beside the file bar (1033): "45 %", or " " when cleared.
  virtual void setPercentLabel(const std::string& text) = 0;
  // The file bar (1012) and the overall bar (1011), positions 0 to 100.
  virtual void setFileBar(int position) = 0;
  virtual void setOverallBar(int position) = 0;
  // The progress line (1016): "Progress Report : 45%", "Progress Report : Ready".
  virtual void setProgressLine(const std::string& text) = 0;
  // Add, Search, Browse, the five save option buttons and the source list, together with
  // the File menu's Open, Search, Enable Log, Enable Recovery Mode and Customize Menu.
  virtual void enableInputs(bool enable) = 0;
  // The Convert / Stop button (1020): its caption ("&Convert") and whether it is enabled.
  virtual void setConvertCaption(const std::string& caption) = 0;
  virtual void enableConvert(bool enable) = 0;
  // Removes the check mark from all five save option buttons.
  virtual void uncheckSaveOptions() = 0;
  // The run has come to its end by itself: the front end's running state goes clear.
  virtual void clearRunning() = 0;
  // The window's ready state after a stopped or failed run: inputs and menu commands
  // enabled, caption "&Convert", running state clear, both bars at 0, progress line
  // "Progress Report : Ready", scan line "Ready to Scan", percent label " ". The save
  // option check marks and whether Convert is enabled stay as they are.
  virtual void resetControls() = 0;
  // A message box with an OK button, captioned with the application's name. Shown without
  // waiting; the worker then waits in waitForMessage() until it has been closed.
  virtual void showMessage(const std::string& text, MessageKind kind) = 0;
  virtual void waitForMessage() {}

  // Progress events for front ends that report more than the window does.
  virtual void fileStarted(const FileStart&) {}
  virtual void mailsFound(int /*count*/) {}
  virtual void mailDone(int /*index*/, int /*count*/, bool /*saved*/) {}
  virtual void fileFinished(const FileReport&) {}
};

}  // namespace qm::convert
