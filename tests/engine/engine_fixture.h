// What the engine tests share: a host that records what the engine shows and logs, and
// helpers that open a store file and take every mail out of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/dbx_file.h"
#include "tests/support/temp_dir.h"

struct LogEntry {
  std::string text;
  bool error;
  bool operator==(const LogEntry&) const = default;
};

class RecordingHost : public EngineHost {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  void writeLog(const std::string& text, bool toErrorLog) override { log.push_back({text, toErrorLog}); }
  bool stopRequested() override { return stopAfterPolls >= 0 && polls++ >= stopAfterPolls; }

  std::vector<std::string> lines(bool errors) const;
  bool hasLine(const std::string& text, bool error) const;

  std::vector<std::string> messages;
  std::vector<LogEntry> log;
  int stopAfterPolls = -1;  // stop when polled this many times already; -1 never
  int polls = 0;
};

// The text of every mail of a store file, in mail order, written through saveMailToEML.
struct Extraction {
  std::int32_t found = 0;
  std::vector<std::string> mails;  // empty string for a mail that failed
  std::vector<bool> saved;
};
// `mappingLimit` as DbxFile::setMappingLimit takes it; the default maps the whole store.
Extraction extractMails(const std::string& storePath, const qm::test::TempDir& out, bool recovery = false,
                        std::size_t mappingLimit = StoreBytes::defaultMappingLimit());

// Writes bytes to a file in the folder and returns its path.
std::string storeFile(const qm::test::TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes);
