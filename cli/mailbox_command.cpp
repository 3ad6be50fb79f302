#include "cli/mailbox_command.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <iostream>
#include <ostream>
#include <random>

#include "cli/mailbox_progress.h"
#include "cli/terminal.h"
#include "convert/destination.h"
#include "log/app_log.h"
#include "mailbox/eml_tree_output.h"
#include "mailbox/mailbox_run.h"
#include "mailbox/mbox_tree_output.h"
#include "mailbox/pst_mailbox_output.h"
#include "platform/clock.h"
#include "platform/files.h"

using namespace qm::mailbox;
namespace platform = qm::platform;

namespace {

constexpr const char* kUsage =
    "usage: quillmend convert --mailbox DIR --to (pst | eml | mbox) [--recovered keep|drop]\n"
    "                         [--recovery] [--log] [--into] -d DEST\n"
    "       quillmend list --mailbox DIR\n";

struct MailboxOptions {
  std::string mailbox;
  std::string to;
  std::string destination;
  bool dropRecovered = false;
  bool recovery = false;
  bool log = false;
  bool into = false;
};

std::optional<MailboxOptions> parse(const CommandArgs& args, bool listing, std::ostream& err) {
  MailboxOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takesValue = a == "--mailbox" || (!listing && (a == "--to" || a == "-d" || a == "--recovered"));
    if (takesValue) {
      if (i + 1 >= args.size()) {
        err << "quillmend: " << a << " needs a value\n" << kUsage;
        return std::nullopt;
      }
      const std::string& v = args[++i];
      if (a == "--mailbox") o.mailbox = v;
      else if (a == "--to") o.to = v;
      else if (a == "-d") o.destination = v;
      else if (v == "keep" || v == "drop") o.dropRecovered = v == "drop";
      else {
        err << "quillmend convert: --recovered takes keep or drop, not '" << v << "'\n";
        return std::nullopt;
      }
    } else if (!listing && a == "--recovery") {
      o.recovery = true;
    } else if (!listing && a == "--log") {
      o.log = true;
    } else if (!listing && a == "--into") {
      o.into = true;
    } else {
      err << "quillmend: unexpected argument '" << a << "' with --mailbox\n" << kUsage;
      return std::nullopt;
    }
  }
  if (o.mailbox.empty() || (!listing && (o.to.empty() || o.destination.empty()))) {
    err << kUsage;
    return std::nullopt;
  }
  if (!listing && o.to != "pst" && o.to != "eml" && o.to != "mbox") {
    err << "quillmend convert: a mailbox converts --to pst, eml or mbox, not '" << o.to << "'\n";
    return std::nullopt;
  }
  if (!platform::isDirectory(o.mailbox)) {
    err << "quillmend: '" << o.mailbox << "' is not a folder\n";
    return std::nullopt;
  }
  return o;
}

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onMailboxInterrupt(int) { interrupted = 1; }

// DEST (made when missing) with a time-stamped folder inside it unless `into`.
std::optional<std::string> makeDestination(const MailboxOptions& o, std::ostream& err) {
  std::string chosen = o.destination;
  // Trailing separators go, but not the one of a drive's root ("C:\\").
  while (chosen.size() > 1 && (chosen.back() == '/' || chosen.back() == platform::pathSeparator()) &&
         chosen[chosen.size() - 2] != ':')
    chosen.pop_back();
  std::error_code ec;
  std::filesystem::create_directories(platform::toPath(chosen), ec);
  std::string destination = o.into ? chosen : qm::convert::stampedDestination(chosen, platform::nowStamp());
  if (!platform::isDirectory(chosen) || (!o.into && !qm::convert::prepareDestination(destination))) {
    err << "quillmend convert: cannot make the destination folder '" << destination << "'\n";
    return std::nullopt;
  }
  return destination;
}

// A fresh folder in the system's temporary folder for the mails on their way; removed with
// what is left in it when the run ends.
class WorkFolder {
 public:
  WorkFolder() {
    std::random_device rd;
    path_ = platform::tempFolder() + "Quillmend_mailbox_" + std::to_string(rd()) + std::to_string(rd());
    std::error_code ec;
    std::filesystem::create_directories(platform::toPath(path_), ec);
  }
  ~WorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(platform::toPath(path_), ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::unique_ptr<MailboxOutput> makeOutput(const MailboxOptions& o, const std::string& destination,
                                          const std::string& work) {
  if (o.to == "pst")
    return std::make_unique<PstMailboxOutput>(destination + platform::pathSeparator() + kMailboxPstName, work);
  if (o.to == "mbox") return std::make_unique<MboxTreeOutput>(destination, work);
  return std::make_unique<EmlTreeOutput>(destination);
}

void printNotes(const Mailbox& box, std::ostream& err) {
  for (const auto& n : box.notes) err << "quillmend: note: " << n << "\n";
}

}  // namespace

bool asksForMailbox(const CommandArgs& args) {
  for (const auto& a : args)
    if (a == "--mailbox") return true;
  return false;
}

int runMailboxConvert(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const auto options = parse(args, false, err);
  if (!options) return kExitUsage;
  const Mailbox box = readMailbox(options->mailbox);
  printNotes(box, err);
  const auto destination = makeDestination(*options, err);
  if (!destination) return kExitSomeFailed;
  if (options->log) AppLog::start();

  WorkFolder work;
  std::unique_ptr<MailboxOutput> output;
  try {
    output = makeOutput(*options, *destination, work.path());
  } catch (const OutputFailure& e) {
    err << "quillmend convert: " << e.what() << "\n";
    return kExitSomeFailed;
  }
  MailboxRunOptions run;
  run.dropRecovered = options->dropRecovered;
  run.recoveryMode = options->recovery;
  run.logEnabled = options->log;
  interrupted = 0;
  run.stopRequested = [] { return interrupted != 0; };
  const auto previous = std::signal(SIGINT, onMailboxInterrupt);

  MailboxReport report(out, &out == &std::cout && stdoutIsTerminal());
  const auto started = std::chrono::steady_clock::now();
  const MailboxTotals totals = convertMailbox(box, *output, run, report);
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  report.endLive();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  report.summary(totals, output->location(), seconds);
  for (const auto& text : output->leftOut()) err << "quillmend convert: left out: " << text << "\n";
  if (!totals.failure.empty()) err << "quillmend convert: " << totals.failure << "\n";
  const bool clean = box.missingStores == 0 && totals.failure.empty() && !totals.stopped && totals.failed == 0 &&
                     totals.storesUnopened == 0 &&
                     totals.lostFromScan == 0;
  return clean ? kExitOk : kExitSomeFailed;
}

int runMailboxList(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  const auto options = parse(args, true, err);
  if (!options) return kExitUsage;
  const Mailbox box = readMailbox(options->mailbox);
  printNotes(box, err);
  return listMailbox(box, out) && box.missingStores == 0 ? kExitOk : kExitSomeFailed;
}
