// The folders a conversion run writes into: each source file's output folder under the
// destination, held for the rest of the run, and its private temporary folder.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "convert/run_context.h"
#include "platform/safe_files.h"

namespace qm::convert {

// The output folders of one run. A folder is taken for one source file and held until the
// run ends, so that no other file of the run and no other run at the same time writes into
// it. A folder that cannot be taken as named (used by an earlier file of this run, held by
// another run, a link or a file in its place, or holding files while the run may not replace
// them) is taken with "_2", "_3"... after its name instead.
class OutputFolders {
 public:
  // `sources`: every source path of the run, never deleted. `replaceEarlier`: an existing
  // folder that holds files may be used, after the files that this output kind writes there
  // are deleted (every other file stays).
  OutputFolders(std::vector<std::string> sources, std::int32_t saveOption, bool replaceEarlier);

  // The folder for source file `fileName`: `wanted` or a variant of it, made or emptied of
  // the output kind's own files. A folder that cannot be made for another reason (its
  // parent missing) is returned as it is, and the writes into it fail later, mail by mail.
  // Nothing when a stop check found the run stopped.
  std::optional<std::string> take(RunContext& run, const std::string& wanted, const std::string& fileName);

 private:
  enum class Use { Taken, Busy, Stopped };
  Use tryFolder(RunContext& run, const std::string& folder, const std::string& fileName);
  bool deleteEarlierOutput(RunContext& run, const std::string& folder, const std::string& fileName);
  bool isSource(const std::string& path) const;

  std::vector<std::string> sources_;
  std::int32_t saveOption_;
  bool replaceEarlier_;
  std::set<std::string> taken_;
  std::vector<std::unique_ptr<platform::FolderHold>> holds_;
};

// Makes the private temporary folder of a source file (a new folder; a random suffix when
// the name exists). Nothing when it cannot be made.
std::optional<std::string> makeTempFolder(const std::string& wanted);

// Removes a temporary folder with everything in it and logs how that went.
void cleanTempFolder(RunContext& run, const std::string& folder);

}  // namespace qm::convert
