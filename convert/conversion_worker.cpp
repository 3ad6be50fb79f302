#include "convert/conversion_worker.h"

#include <string>

#include "convert/output_names.h"
#include "convert/run_folders.h"
#include "convert/save_option.h"
#include "engine/dbx_file.h"
#include "platform/safe_files.h"

namespace qm::convert {

using std::to_string;

// Everything one run works with; lives on the worker's stack for the length of run().
struct ConversionWorker::Run {
  Run(const RunInput& input, RunView& view, CancelToken& token, const RunEnvironment& env)
      : context(view, token, input.logEnabled(), env), engine(context.engineHost()) {}

  RunContext context;
  DbxFile engine;
  std::unique_ptr<OutputMode> mode;
  std::int32_t option = 0;
  OutputNaming naming;
  std::string destination;
  int fileCount = 0;
  std::int32_t runningNumber = 0;
  std::unique_ptr<OutputFolders> folders;
};

namespace {

// Releases what a file holds on every way out of it: the mode's objects, the temporary
// folder and, when a run ends in the middle of the file, the open store (quietly: the run
// writes no lines of its own when it stops or fails).
class FileScope {
 public:
  FileScope(RunContext& run, OutputMode* mode, const FileJob& job, DbxFile& engine)
      : run_(run), mode_(mode), job_(job), engine_(engine) {}
  ~FileScope() {
    try {
      if (mode_) mode_->endFile(run_, job_);
    } catch (...) {
    }
    if (engine_.opened) {
      const bool logged = engine_.logEnabled;
      engine_.logEnabled = false;
      engine_.close();
      engine_.logEnabled = logged;
    }
    // Gone already after a completed file; after Stop or a failure, removed here.
    if (!job_.tempFolder.empty()) platform::removeFolderTree(job_.tempFolder);
  }
  FileScope(const FileScope&) = delete;
  FileScope& operator=(const FileScope&) = delete;

 private:
  RunContext& run_;
  OutputMode* mode_;
  const FileJob& job_;
  DbxFile& engine_;
};

}  // namespace

ConversionWorker::ConversionWorker(const RunInput& input, RunView& view, CancelToken& token,
                                   RunEnvironment env, ModeFactory modes)
    : input_(input), view_(view), token_(token), env_(std::move(env)), modes_(std::move(modes)) {}

int ConversionWorker::run() {
  int result = -1;
  try {
    Run run(input_, view_, token_, env_);
    try {
      result = runAll(run);
    } catch (...) {
      run.context.logError("Exception In DBX_Recover_thread");
      result = endEarly(run, "Exception In DBX_Recover_thread");
    }
    // A stopped run completes what it was writing while the run's objects still exist;
    // nothing of the run may be left to run after it.
    token_.settle();
    token_.setStopAction({});
  } catch (...) {
    // The run could not even be set up; the front end is still told that it ended.
    token_.guard([&] { view_.runEnded({RunEnd::Outcome::Failed, {}, "the run could not be set up"}); });
  }
  // A stopped run says so once its thread has let go of everything: the file it was
  // writing is complete. The front end that stopped it has stopped listening to it, so
  // this one report passes the gate.
  if (token_.stopped() && result != 0) view_.runEnded({RunEnd::Outcome::Stopped, {}, {}});
  return result;
}

int ConversionWorker::endEarly(Run& run, std::string reason) {
  if (run.context.stopped()) return -1;
  if (reason.empty()) reason = run.context.lastError();
  run.context.show([&](RunView& v) { v.runEnded({RunEnd::Outcome::Failed, {}, reason}); });
  return -1;
}

int ConversionWorker::runAll(Run& run) {
  RunContext& ctx = run.context;
  run.engine.logEnabled = ctx.logEnabled();
  ctx.log("In CRAROvavodizDlg::OnInitDialog()");
  run.engine.recoveryMode = input_.recoveryMode();
  if (ctx.stopped()) return -1;

  run.fileCount = input_.sourceCount();
  run.option = input_.saveOption();
  ctx.show([&](RunView& v) { v.runStarted({run.fileCount, run.option}); });
  if (run.option == SAVEASDBX)
    ctx.showMessage("Please close Outlook Express, if its open!", MessageKind::Notice);
  run.naming = input_.naming();
  run.destination = input_.destinationFolder();
  run.runningNumber = run.naming.fileCounterStart;
  std::vector<std::string> sources;
  for (int i = 0; i < run.fileCount; ++i) sources.push_back(input_.sourceRow(i).path);
  run.folders = std::make_unique<OutputFolders>(std::move(sources), run.option, input_.replaceEarlierOutput());
  if (modes_) run.mode = modes_(run.option);

  for (int i = 0; i < run.fileCount; ++i) {
    if (!convertFile(run, i)) return endEarly(run);
  }
  ctx.show([&](RunView& v) { v.runEnded({RunEnd::Outcome::Completed, run.destination, {}}); });
  return 0;
}

bool ConversionWorker::convertFile(Run& run, int index) {
  RunContext& ctx = run.context;
  if (ctx.stopped()) return false;

  const SourceRow row = input_.sourceRow(index);
  FileJob job;
  job.index = index;
  job.count = run.fileCount;
  job.sourcePath = row.path;
  job.fileName = row.fileName;
  job.baseName = baseNameOf(row.fileName);
  job.engine = &run.engine;
  ctx.log("Preparing to Scan File : " + row.fileName);
  ctx.show([&](RunView& v) { v.fileStarted({index, run.fileCount, row.path, row.fileName, job.baseName}); });

  const std::string wanted =
      outputFolderPath(run.destination, run.naming, run.runningNumber, job.baseName, run.option);
  if (run.naming.useFileCounter) ++run.runningNumber;

  FileScope scope(ctx, run.mode.get(), job, run.engine);
  if (ctx.stopped()) return false;
  const auto outputFolder = run.folders->take(ctx, wanted, job.fileName);
  if (!outputFolder) return false;
  job.outputFolder = *outputFolder;
  ctx.log(job.outputFolder + " directory created for " + job.baseName);
  const RunEnvironment& env = ctx.environment();
  if (const auto temp = makeTempFolder(tempFolderPath(env.tempRoot, job.baseName, index, env.clock()))) {
    job.tempFolder = *temp;
    ctx.log(job.tempFolder + " directory created for " + job.baseName);
  } else {
    // Mails are never written into a folder the run did not make: those that would go
    // through the temporary folder fail.
    ctx.logError("Could not create temp directory for " + job.baseName);
  }
  if (ctx.stopped()) return false;

  FileReport& report = lastFile_ = FileReport{index, job.sourcePath, job.outputFolder};
  if (isSaveOption(run.option) && !convertMails(run, job, report)) return false;

  run.engine.close();
  if (!job.tempFolder.empty()) cleanTempFolder(ctx, job.tempFolder);
  ctx.log("DBX File closed");
  if (ctx.stopped()) return false;
  ctx.show([&](RunView& v) { v.fileFinished(report); });
  return true;
}

bool ConversionWorker::setUpMode(Run& run, const FileJob& job) {
  ModeSetup setup = run.mode
                        ? run.mode->beginFile(run.context, job)
                        : ModeSetup::failed(saveOptionName(run.option) + " is not available yet.",
                                            "No output mode for " + saveOptionName(run.option));
  if (setup.outcome == ModeSetup::Outcome::Failed) {
    if (!setup.message.empty()) run.context.showMessage(setup.message, MessageKind::Error);
    run.context.logError(setup.errorLine);
  }
  return setup.outcome == ModeSetup::Outcome::Ready;
}

bool ConversionWorker::convertMails(Run& run, FileJob& job, FileReport& report) {
  RunContext& ctx = run.context;
  if (!setUpMode(run, job)) return false;
  OutputMode& mode = *run.mode;

  // A device, a pipe or a folder would be read forever or block the open itself; a missing
  // file is the engine's to report.
  const platform::FileKind kind = platform::fileKind(job.sourcePath);
  if (kind == platform::FileKind::Regular || kind == platform::FileKind::Missing) {
    run.engine.open(job.sourcePath);
  } else {
    const std::string text = "Error Opening " + job.sourcePath + " file: not a regular file. \nConvertion fails for this file";
    ctx.logError(text);
    ctx.showMessage(text, MessageKind::Error);
  }
  std::int32_t found = -1;
  const int mailCount = run.engine.findMails(found);
  report.mailsFound = mailCount;
  ctx.log("In " + job.sourcePath + " file " + to_string(mailCount) +
          " convertable mails were found");
  if (ctx.stopped()) return false;
  ctx.show([&](RunView& v) { v.mailsFound(mailCount); });

  const std::string folder = mode.mailFolder(job);
  for (int j = 0; j < mailCount; ++j) {
    if (ctx.stopped()) return false;
    std::string emlPath;
    bool saved = false;
    // The whole mail is one output action: Stop waits for it or, between two of its
    // blocks, ends it.
    ctx.output([&] { saved = !folder.empty() && run.engine.saveMailToEML(folder, emlPath, j); });
    if (ctx.stopped()) {
      // A mail the engine wrote straight into the output folder before the stop is kept.
      if (saved && folder == job.outputFolder) ++report.mailsSaved;
      return false;
    }
    const MailOutcome outcome = mode.handleMail(ctx, job, j, saved, emlPath);
    if (outcome == MailOutcome::Stopped || outcome == MailOutcome::Aborted) return false;
    MailResult result = MailResult::Failed;
    if (outcome == MailOutcome::Converted) {
      result = MailResult::Saved;
      ++report.mailsSaved;
    } else if (!saved && !run.engine.isMailStart(j)) {
      result = MailResult::NotAMail;
      ++report.notMailStarts;
    } else {
      if (outcome == MailOutcome::Skipped) result = MailResult::Skipped;
      ++report.mailsFailed;
    }
    ctx.show([&](RunView& v) { v.mailDone({j, mailCount, result}); });
  }

  const StoreFindings findings = run.engine.findings();
  report.rejectedChains = findings.incompleteChains;
  report.strayBlocks = findings.strayBlocks;
  report.headerless = findings.headerless;

  if (!mode.finishMails(ctx, job)) return false;
  ctx.log(mode.successLine(job));
  return true;
}

}  // namespace qm::convert
