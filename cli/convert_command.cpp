#include "cli/convert_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "cli/commands.h"
#include "cli/convert_options.h"
#include "cli/mailbox_command.h"
#include "cli/run_report.h"
#include "cli/run_summary.h"
#include "cli/source_check.h"
#include "cli/store_tally.h"
#include "cli/terminal.h"
#include "convert/conversion_worker.h"
#include "convert/destination.h"
#include "convert/output_names.h"
#include "convert/run_thread.h"
#include "convert/save_option.h"
#include "convert/store_search.h"
#include "convert/store_signature.h"
#include "log/app_log.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/safe_files.h"

using namespace qm::convert;
namespace platform = qm::platform;

namespace {

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onInterrupt(int) {
  interrupted = 1;
}

// The run's list, built like the window's source list: a file that cannot be read is not
// listed; one that fails the signature test is listed with a warning, since its mail blocks
// may still be recovered.
class SourceList {
 public:
  explicit SourceList(std::ostream& err) : err_(err) {}

  void add(const std::string& path) {
    if (!listed_.insert(path).second) return;  // the same path twice is listed once
    if (platform::isDirectory(path))
      return refuse("'" + path + "' is a folder; use --search to convert the stores in it");
    if (const auto reason = unusableSource(path)) return refuse(*reason);
    const StoreCheck check = checkStoreSignature(path);
    if (check == StoreCheck::Unopenable) {
      return refuse(platform::fileExists(path) ? "'" + path + "' cannot be read"
                                               : "'" + path + "' does not exist");
    }
    if (check != StoreCheck::MessageStore) {
      err_ << "quillmend convert: '" << path << "' is not a message store ("
           << storeCheckMessage(check) << "); converting what can be found in it\n";
      problems_ = true;
    }
    rows_.push_back(sourceRowFor(path));
    sizes_.push_back(platform::fileSize(path).value_or(0));
  }

  void search(const std::string& folder) {
    if (!platform::isDirectory(folder))
      return refuse("cannot search '" + folder + "': not a folder");
    StoreSearch walk;
    walk.storeFound = [&](const std::string& path, const std::string&) { add(path); };
    searchStores(folder, walk);
  }

  const std::vector<SourceRow>& rows() const { return rows_; }
  const std::vector<std::uint64_t>& sizes() const { return sizes_; }
  bool problems() const { return problems_; }

 private:
  void refuse(const std::string& why) {
    err_ << "quillmend convert: " << why << "\n";
    problems_ = true;
  }

  std::ostream& err_;
  std::set<std::string> listed_;
  std::vector<SourceRow> rows_;
  std::vector<std::uint64_t> sizes_;
  bool problems_ = false;
};

std::string withoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == platform::pathSeparator()) &&
         path[path.size() - 2] != ':')
    path.pop_back();
  return path;
}

// DEST, made when missing (only DEST itself: its parent must exist, so that a mistyped path
// makes no tree of folders); with a new time-stamped folder inside it unless `into` (a run in
// the same second as another gets "_2" after the stamp, never the other run's folder).
std::optional<std::string> makeDestination(const ConvertOptions& options, std::ostream& err) {
  const std::string chosen = withoutTrailingSeparators(options.destination);
  const auto cannot = [&](const std::string& folder, const std::string& why) {
    err << "quillmend convert: cannot make the destination folder '" << folder << "': " << why
        << "\n";
    return std::nullopt;
  };
  if (!platform::isDirectory(chosen)) {
    const auto path = platform::toPath(chosen);
    const auto parent = path.parent_path();
    std::error_code ec;
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec))
      return cannot(chosen, "the folder above it does not exist");
    if (!std::filesystem::create_directory(path, ec) && !platform::isDirectory(chosen))
      return cannot(chosen, ec ? ec.message() : "unknown error");
  }
  if (options.into) return chosen;
  const std::string stamped = stampedDestination(chosen, platform::nowStamp());
  if (const auto made = makeNewFolder(stamped)) return made;
  std::error_code ec;  // the same attempt once more, for the system's reason
  std::filesystem::create_directory(platform::toPath(stamped), ec);
  return cannot(stamped, ec ? ec.message() : "unknown error");
}

// The first output folder of the run that exists already and holds files, if any: the run
// would write beside them, and without --overwrite it is refused.
std::optional<std::string> occupiedOutputFolder(const std::string& destination, const RunSettings& settings) {
  std::int32_t number = settings.naming.fileCounterStart;
  for (const auto& row : settings.sources) {
    const std::string folder =
        outputFolderPath(destination, settings.naming, number, baseNameOf(row.fileName), settings.saveOption);
    if (settings.naming.useFileCounter) ++number;
    if (platform::isDirectory(folder) && !platform::listDirectory(folder).empty()) return folder;
  }
  return std::nullopt;
}

// Runs the conversion on a worker thread so that Ctrl-C can stop it cleanly: the mail being
// written is dropped and nothing is written after the stop.
int runStoppably(const RunInput& input, RunView& report, const RunEnvironment& env, bool& stopped,
                 FileReport& lastFile) {
  std::atomic<int> result{-1};
  std::atomic<bool> done{false};
  interrupted = 0;
  const auto previous = std::signal(SIGINT, onInterrupt);
  RunThread thread;
  thread.start([&](CancelToken& token) {
    ConversionWorker worker(input, report, token, env);
    result = worker.run();
    lastFile = worker.lastFile();
    done = true;
  });
  while (!done) {
    if (interrupted) {
      thread.stop();
      stopped = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  thread.join();
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  return result;
}

}  // namespace

int runConvert(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  bool help = false;
  const auto options = parseConvertOptions(args, err, help);
  if (!options) return kExitUsage;
  if (help) return commandHelp("convert", out);
  if (!options->mailbox.empty()) return runMailboxConvert(args, out, err);
  const std::map<std::string, std::int32_t> built = {
      {"eml", SAVEASEML}, {"pst", SAVEASPST}, {"msg", SAVEASMSG}, {"dbx", SAVEASDBX}, {"rtf", SAVEASRTF}};
  const auto kind = built.find(options->to);
  if (kind == built.end()) {
    err << "quillmend convert: unknown output kind '" << options->to << "' (eml, pst, msg, rtf or dbx)\n";
    return kExitUsage;
  }

  SourceList sources(err);
  for (const auto& file : options->files) sources.add(file);
  for (const auto& folder : options->searchFolders) sources.search(folder);
  if (sources.rows().empty()) {
    err << "quillmend convert: nothing to convert\n";
    return sources.problems() ? kExitSomeFailed : kExitOk;
  }
  RunSettings settings;
  settings.sources = sources.rows();
  settings.saveOption = kind->second;
  // The run always reports its log lines: the error lines are where the command line finds
  // the reasons of failures. They reach the log files only with --log.
  settings.logEnabled = true;
  settings.recoveryMode = options->recovery;
  settings.naming = options->naming;
  settings.replaceEarlierOutput = options->overwrite;
  if (options->into && !options->overwrite) {
    if (const auto occupied = occupiedOutputFolder(withoutTrailingSeparators(options->destination), settings)) {
      err << "quillmend convert: the output folder '" << *occupied
          << "' already holds files; choose another destination, or add --overwrite to replace what an "
             "earlier conversion wrote there (other files are never touched)\n";
      return kExitUsage;
    }
  }
  const auto destination = makeDestination(*options, err);
  if (!destination) return kExitSomeFailed;
  settings.destinationFolder = *destination;
  const bool logs = options->log && startLogs("convert", err);
  SettingsInput input(settings);

  StoreTally tally(settings.sources, options->recovery);
  ReportStyle style;
  // Only the real standard error can be a terminal; tests hand in string streams.
  style.progress =
      options->progress || (!options->quiet && &err == &std::cerr && stderrIsTerminal());
  style.storeLines = !options->quiet;
  style.json = options->json;
  RunReport report(out, err, tally, sources.sizes(), style);
  RunEnvironment env;
  env.writeLog = [&](const std::string& text, bool toErrorLog) {
    if (logs) AppLog::write(0, 0, text, toErrorLog);
    if (toErrorLog) report.errorLine(text);
  };

  const auto started = std::chrono::steady_clock::now();
  bool stopped = false;
  FileReport lastFile;
  const int result = runStoppably(input, report, env, stopped, lastFile);
  report.end(stopped, lastFile);

  RunEnding ending;
  ending.interrupted = stopped;
  ending.endedEarly = result != 0 && !stopped;
  ending.destination = *destination;
  ending.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // The success text only when nothing at all went wrong, the listing of the stores included.
  if (!sources.problems()) ending.completion = report.completion();
  const int status = stopped                                          ? kExitInterrupted
                     : runClean(tally, ending) && !sources.problems() ? kExitOk
                                                                      : kExitSomeFailed;
  if (options->json)
    printSummaryJson(out, tally, ending, status);
  else if (!options->quiet)
    printSummary(out, tally, ending);
  out.flush();
  return status;
}
