#include "convert/eml_mode.h"

namespace qm::convert {

ModeSetup EmlMode::beginFile(RunContext& run, const FileJob&) {
  run.log("In SAVEASEML");
  return ModeSetup::ready();
}

MailOutcome EmlMode::handleMail(RunContext& run, const FileJob&, int index, bool saved,
                                const std::string&) {
  if (saved) return MailOutcome::Converted;
  run.logError("conversion fails for mail " + std::to_string(index));
  return MailOutcome::Failed;
}

std::string EmlMode::successLine(const FileJob& job) const {
  return "SAVEASEML convertion Succeeded for file " + job.sourcePath;
}

}  // namespace qm::convert
