// The EML output kind: the .eml file the engine writes into the output folder is the product.
#pragma once

#include "convert/output_mode.h"

namespace qm::convert {

class EmlMode : public OutputMode {
 public:
  ModeSetup beginFile(RunContext& run, const FileJob& job) override;
  std::string mailFolder(const FileJob& job) const override { return job.outputFolder; }
  MailOutcome handleMail(RunContext& run, const FileJob& job, int index, bool saved,
                         const std::string& emlPath) override;
  std::string successLine(const FileJob& job) const override;
};

}  // namespace qm::convert
