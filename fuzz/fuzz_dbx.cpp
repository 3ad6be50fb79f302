// Fuzzes the .dbx engine on arbitrary bytes: open, findMails, and saveMailToEML for the
// mails found, with recovery mode off and on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/dbx_file.h"
#include "platform/files.h"

namespace {

class QuietHost : public EngineHost {
 public:
  void showMessage(const std::string&) override {}
  void writeLog(const std::string& text, bool) override { lines += text.size(); }
  std::size_t lines = 0;
};

// Mails written per input and mode: enough to reach every path, few enough to stay fast.
constexpr std::int32_t kMailsWritten = 16;

const std::string& workFolder() {
  static const std::string folder = [] {
    // Memory-backed when the system has it: every input writes files.
    const std::string base = qm::platform::isDirectory("/dev/shm") ? "/dev/shm/" : qm::platform::tempFolder();
    std::string path = base + "quillmend-fuzz-" + std::to_string(std::rand());
    std::filesystem::create_directories(qm::platform::toPath(path));
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = workFolder() + qm::platform::pathSeparator() + "Input.dbx";
  if (std::FILE* f = qm::platform::openFile(input, "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  QuietHost host;
  DbxFile store(host);
  store.logEnabled = true;
  if (!store.open(input)) return 0;
  std::int32_t count = 0;
  store.findMails(count);
  for (const bool recovery : {false, true}) {
    store.recoveryMode = recovery;
    for (std::int32_t m = -1; m <= count && m < kMailsWritten; ++m) {
      std::string out;
      store.saveMailToEML(workFolder(), out, m);
    }
  }
  store.close();
  return 0;
}
