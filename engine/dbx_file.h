// The engine object for one Outlook Express message store at a time: opens the file, finds
// its mails by a raw scan for message blocks and chains them, and writes single mails out
// as .eml files byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine_host.h"
#include "platform/bytes.h"

// One recognised message data block.
struct DbxBlockRecord {
  std::int64_t position = 0;      // file offset where the block starts (its self-offset field)
  std::uint32_t selfOffset = 0;   // stored self offset: the block's identifier for chaining
  std::uint32_t nextOffset = 0;   // stored next-block offset; 0 in a last block
  std::int32_t status = 0;        // DbxBlockStatus
  std::int32_t next = -1;         // index of the following block in its mail, -1 when none
  std::uint32_t usedLength = 0;   // bytes of mail text in the block (1 to 512)
  bool hasPredecessor = false;    // another block has been chained in front of this one
};

enum DbxBlockStatus : std::int32_t {
  kBlockUnclassified = 0,
  kBlockChained = 2,
  kBlockLast = 3,
  kBlockMailStart = 4,
};

// The process-wide block table, shared by every DbxFile (one is in use at a time). Emptied
// when a DbxFile is constructed, opened or closed and when a scan starts.
std::vector<DbxBlockRecord>& dbxBlockTable();

class DbxFile {
 public:
  explicit DbxFile(EngineHost& host);
  ~DbxFile();
  DbxFile(const DbxFile&) = delete;
  DbxFile& operator=(const DbxFile&) = delete;

  // Opens the store for reading; shows and logs its own message on failure. A file still
  // open from before is closed first.
  bool open(std::string path);
  // Scans and links; stores and returns the number of mails, -1 when not opened.
  std::int32_t findMails(std::int32_t& count);
  // Writes mail `mailNumber` (0-based position in mailList) into `folder` (no trailing
  // separator) as "<folder><sep><title>_<number+1, 6 digits>.eml"; outputPath receives the
  // full path from the moment the name is composed.
  bool saveMailToEML(std::string folder, std::string& outputPath, std::int32_t mailNumber);
  void close();

  // The stages that findMails and saveMailToEML run, public for tests.
  void scanBlocks(std::FILE* in);
  std::int32_t linkBlocks();
  bool writeMail(std::FILE* in, const std::string& folder, std::string& outputPath,
                 std::int32_t mailNumber);

  bool logEnabled = false;
  bool recoveryMode = false;
  std::string path;
  std::string title;
  std::FILE* file = nullptr;
  bool opened = false;
  std::string message;
  std::int32_t blockCount = 0;
  std::int64_t fileSize = 0;  // 64-bit: stores grow past 2 GiB
  std::vector<std::int32_t> mailList;
  // Chains dropped by the last linking because their last block still named a successor.
  std::int32_t rejectedChains = 0;
  // The last mail could not be written because its disk is full: every mail after it into
  // the same folder would fail too.
  bool outputDiskFull = false;

 private:
  // Formats into `message` and hands it to the host while logEnabled is on.
  void logLine(const std::string& text, bool toErrorLog);
  void refreshFileSize();
  void scanChunk(qm::Bytes chunk, std::int64_t base, std::uint8_t byteBefore);
  bool passesHeaderTest(std::FILE* in, std::int32_t first, std::int32_t mailNumber);
  enum class CopyResult;
  CopyResult copyChain(std::FILE* in, std::FILE* out, std::int32_t first, std::int32_t mailNumber);
  std::string outputNameFor(const std::string& folder, std::int32_t mailNumber) const;

  EngineHost& host_;
};
