#include "mailstore/whole_file.h"

#include <cstdio>

#include "mailstore/component_setup.h"
#include "platform/safe_files.h"

namespace qm::mail {

void writeWholeFile(const std::string& utf8Path, const void* data, std::size_t size) {
  platform::OutputFile file;
  if (!file.open(utf8Path)) throw ComponentError("cannot create " + utf8Path);
  if (size > 0 && std::fwrite(data, 1, size, file.stream()) != size) {
    file.discard();
    throw ComponentError("cannot write " + utf8Path);
  }
  // An earlier file of the name stays until this one is complete.
  if (!file.commit(platform::OutputFile::Replace::Existing)) throw ComponentError("cannot write " + utf8Path);
}

}  // namespace qm::mail
