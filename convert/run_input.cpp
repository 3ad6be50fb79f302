#include "convert/run_input.h"

#include "platform/files.h"

namespace qm::convert {

SourceRow sourceRowFor(const std::string& path) {
  return {path, platform::fromPath(platform::toPath(path).filename())};
}

}  // namespace qm::convert
