#include "mailstore/whole_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "mailstore/component_setup.h"
#include "platform/files.h"

namespace qm::mail {

std::string partialFileName(const std::string& utf8Path) { return utf8Path + ".partial"; }

void writeWholeFile(const std::string& utf8Path, const void* data, std::size_t size) {
  const std::string partial = partialFileName(utf8Path);
  bool written = false;
  {
    std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(partial, "wb"));
    if (!file) throw ComponentError("cannot create " + utf8Path);
    written = (size == 0 || std::fwrite(data, 1, size, file.get()) == size) && std::fclose(file.release()) == 0;
  }
  std::error_code error;
  if (written) std::filesystem::rename(platform::toPath(partial), platform::toPath(utf8Path), error);
  if (!written || error) {
    platform::deleteFile(partial);
    throw ComponentError("cannot write " + utf8Path);
  }
}

}  // namespace qm::mail
