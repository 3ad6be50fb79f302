// The engine object for one Outlook Express message store at a time: opens the file, finds
// its mails by a raw scan for message blocks and chains them, and writes single mails out
// as .eml files byte for byte.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_host.h"
#include "engine/store_bytes.h"
#include "platform/bytes.h"
#include "platform/safe_files.h"

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

// What the last search of a store found, as the worker and the command line show it: the
// counts of what was recognised and of the damage met on the way, and the time it took.
struct StoreFindings {
  std::uint64_t fileSize = 0;         // the store's size when it was searched
  std::int32_t blocks = 0;            // message blocks recognised by the scan
  std::int32_t mails = 0;             // entries of the mail list
  std::int32_t incompleteChains = 0;  // chains dropped: their last block names a successor never found
  std::int32_t notMailStarts = 0;     // listed chains whose first block turned out to follow another
  std::int32_t strayBlocks = 0;       // blocks reached from no listed mail
  // Mails met by writes since the store was opened whose first blocks hold no recognisable
  // mail header: refused in recovery mode, written as they are otherwise.
  std::int32_t headerless = 0;
  double scanSeconds = 0;
  double linkSeconds = 0;
  bool stopped = false;  // the scan ended at a stop request; no mails were listed
};

// One mail of the list as its chain and its first blocks show it.
struct MailFacts {
  std::int64_t offset = 0;   // position of its first block
  std::int32_t blocks = 0;   // blocks in its chain
  std::int64_t bytes = 0;    // bytes of mail text
  bool complete = false;     // the chain ends in a last block, with no loop or gap
  bool header = false;       // its first blocks pass the recovery-mode header test
  std::string head;          // the mail text of its first blocks (up to five)
};

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

  // What the last findMails found; the stray blocks are counted on each call.
  StoreFindings findings() const;
  // Whether entry `mailNumber` of the mail list still starts a chain of its own (a mail
  // that saveMailToEML can write).
  bool isMailStart(std::int32_t mailNumber) const;
  // Where that mail's first block lies in the file (what a store's index points at); -1
  // when the entry is no mail start.
  std::int64_t mailStartOffset(std::int32_t mailNumber) const;
  // Mail `mailNumber` of the list, reading only its first blocks; false when the number is
  // out of range, the entry starts no chain of its own or its first block cannot be read.
  bool describeMail(std::int32_t mailNumber, MailFacts& facts);
  // The first blocks of the chains the last linking dropped as incomplete, in file order,
  // and the same facts for one of them.
  std::vector<std::int32_t> droppedChains() const;
  bool describeChain(std::int32_t first, MailFacts& facts);

  // The stages that findMails and saveMailToEML run, public for tests. They read the store
  // opened last, through one memory mapping where the system allows it.
  void scanBlocks();
  std::int32_t linkBlocks();
  bool writeMail(const std::string& folder, std::string& outputPath, std::int32_t mailNumber);
  // The largest mapping made at once (see StoreBytes); 0 reads the store instead. Takes
  // effect at the next open. For tests.
  void setMappingLimit(std::size_t bytes) { bytes_ = StoreBytes(bytes); }
  // Stores of at least this many bytes, mapped whole, are scanned by two threads, each
  // through half of the file. For tests.
  void setParallelScanFrom(std::uint64_t bytes) { parallelScanFrom_ = bytes; }

  bool logEnabled = false;
  bool recoveryMode = false;
  std::string path;
  std::string title;
  std::FILE* file = nullptr;
  bool opened = false;
  std::string message;
  std::int32_t blockCount = 0;
  std::int64_t fileSize = 0;  // 64-bit: stores grow past 4 GiB
  // The block table of the last scan: each DbxFile owns its own, so that two stores can be
  // converted at once. Emptied when the file is opened or closed and when a scan starts.
  std::vector<DbxBlockRecord> blockTable;
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
  void releaseTables();
  struct ScanPart;
  void partLog(ScanPart& part, const std::string& text, bool error);
  void scanPart(ScanPart& part);
  std::int64_t secondPartStart() const;
  bool byteAt(std::int64_t offset, std::uint8_t& byte);
  void joinSecondPart(const ScanPart& first, ScanPart& second, std::atomic<bool>& stop,
                      const std::atomic<bool>& finished, std::thread& helper);
  void mapAhead(std::uint64_t scanEnd, std::uint64_t& mappedAhead);
  bool scanChunk(ScanPart& part, qm::Bytes chunk, std::int64_t base, std::uint8_t byteBefore);
  void searchChunk(ScanPart& part, qm::Bytes chunk, std::int64_t base, std::uint8_t byteBefore);
  bool readHead(std::int32_t first, std::string& head);
  bool passesHeaderTest(std::int32_t first, std::int32_t mailNumber);
  enum class CopyResult;
  CopyResult copyChain(std::FILE* out, std::int32_t first, std::int32_t mailNumber, std::string& head);
  CopyResult flushPieces(std::FILE* out, std::int32_t mailNumber);
  std::string outputFileName(std::int32_t mailNumber) const;

  EngineHost& host_;
  StoreBytes bytes_;
  StoreFindings findings_;
  // The mail writer's: the pieces of a mail gathered for one write, and a mark per block
  // of the mail being written (the mail's number in it), so that a loop is met in O(1).
  std::vector<qm::platform::Piece> pieces_;
  std::vector<std::uint32_t> writtenMark_;
  std::uint32_t markEpoch_ = 0;
  // The folder the last mail went to, held open for the next ones.
  std::unique_ptr<qm::platform::OutputFolder> outputFolder_;
  std::uint64_t parallelScanFrom_ = std::uint64_t{64} << 20;
};
