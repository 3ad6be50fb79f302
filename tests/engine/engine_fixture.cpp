#include "tests/engine/engine_fixture.h"

#include <algorithm>

#include "tests/support/files.h"

std::vector<std::string> RecordingHost::lines(bool errors) const {
  std::vector<std::string> out;
  for (const auto& e : log)
    if (e.error == errors) out.push_back(e.text);
  return out;
}

bool RecordingHost::hasLine(const std::string& text, bool error) const {
  return std::find(log.begin(), log.end(), LogEntry{text, error}) != log.end();
}

Extraction extractMails(const std::string& storePath, const qm::test::TempDir& out, bool recovery,
                        std::size_t mappingLimit) {
  RecordingHost host;
  DbxFile store(host);
  store.setMappingLimit(mappingLimit);
  store.recoveryMode = recovery;
  Extraction result;
  if (!store.open(storePath)) return result;
  store.findMails(result.found);
  for (std::int32_t m = 0; m < result.found; ++m) {
    std::string written;
    const bool ok = store.saveMailToEML(out.path(), written, m);
    result.saved.push_back(ok);
    result.mails.push_back(ok ? qm::test::readFile(written) : std::string());
  }
  store.close();
  return result;
}

std::string storeFile(const qm::test::TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = dir.file(name);
  qm::test::writeFile(path, bytes);
  return path;
}
