#include "convert/eml_mode.h"

#include "engine/dbx_file.h"

namespace qm::convert {

ModeSetup EmlMode::beginFile(RunContext& run, const FileJob&) {
  run.log("In SAVEASEML");
  return ModeSetup::ready();
}

MailOutcome EmlMode::handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                                const std::string& emlPath) {
  if (saved) return MailOutcome::Converted;
  run.logError("conversion fails for mail " + std::to_string(index));
  if (job.engine && job.engine->outputDiskFull) {
    // Every mail after it would fail the same way: the run ends with the reason, never
    // with the completion message.
    run.showMessage("Could not write Output EML file:\n" + emlPath + ": the disk is full", MessageKind::Error);
    run.logError("Could not write Output EML file: " + emlPath + ": the disk is full");
    return MailOutcome::Aborted;
  }
  return MailOutcome::Failed;
}

std::string EmlMode::successLine(const FileJob& job) const {
  return "SAVEASEML convertion Succeeded for file " + job.sourcePath;
}

}  // namespace qm::convert
