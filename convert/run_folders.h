// Preparing a run's output and temporary folders, and removing a temporary folder.
#pragma once

#include <string>

#include "convert/run_context.h"

namespace qm::convert {

// Makes the folder (one level). When it cannot be made because it exists, the plain files
// directly in it are deleted (subfolders stay), with a stop check before each entry; a
// folder that cannot be made for another reason is used as it is, and writes into it fail
// later, mail by mail. Returns false when a stop check found the run stopped.
bool prepareFolder(RunContext& run, const std::string& folder);

// Deletes the plain files directly in a temporary folder, removes it and logs how that went.
void cleanTempFolder(RunContext& run, const std::string& folder);

}  // namespace qm::convert
