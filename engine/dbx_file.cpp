// DbxFile: opening and closing a store, the mail count and what the search found.
#include "engine/dbx_file.h"

#include <chrono>

#include "engine/block_linker.h"
#include "engine/log_text.h"
#include "platform/files.h"

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The file's name without its folder (after the last '\' or '/') and without its last four
// characters, counted as UTF-8 characters; empty when the name has four or fewer.
std::string titleOf(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  for (int removed = 0; removed < 4 && !name.empty(); ++removed) {
    while (!name.empty() && isContinuationByte(name.back())) name.pop_back();
    if (!name.empty()) name.pop_back();
  }
  return name;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

DbxFile::DbxFile(EngineHost& host) : host_(host) {}

DbxFile::~DbxFile() {
  if (file) std::fclose(file);
}

void DbxFile::logLine(const std::string& text, bool toErrorLog) {
  if (!logEnabled) return;
  try {
    message = text;
    host_.writeLog(message, toErrorLog);
  } catch (...) {
    // A log line that cannot be written is lost; the operation goes on.
  }
}

// Takes the file's size anew and reads the store up to it from here on.
void DbxFile::refreshFileSize() {
  fileSize = 0;
  if (qm::platform::seekToEnd(file)) {
    if (const auto end = qm::platform::tellPosition(file)) fileSize = static_cast<std::int64_t>(*end);
  }
  qm::platform::seekTo(file, 0);
  if (bytes_.size() != static_cast<std::uint64_t>(fileSize) || (!bytes_.mapped() && fileSize > 0))
    bytes_.attach(file, static_cast<std::uint64_t>(fileSize));
}

// Gives the memory of the block table, the mail list and the writer's marks back.
void DbxFile::releaseTables() {
  std::vector<DbxBlockRecord>().swap(blockTable);
  std::vector<std::uint32_t>().swap(writtenMark_);
  mailList.clear();
  findings_ = {};
}

bool DbxFile::open(std::string newPath) {
  try {
    path = std::move(newPath);
    if (path == "Null") {
      host_.showMessage("ERROR: Invalid file path");
      logLine("ERROR: Invalid file path", true);
      return false;
    }
    title = titleOf(path);
    message.clear();
    blockCount = 0;
    fileSize = 0;
    rejectedChains = 0;
    releaseTables();
    bytes_.detach();
    if (file) std::fclose(file);  // never leave the earlier handle open
    file = nullptr;
    opened = false;
    file = qm::platform::openFile(path, "rb");
    if (file) {
      opened = true;
      refreshFileSize();
      logLine(formatLogText("%s DBX File opened succssfully.", {path}), false);
      return true;
    }
  } catch (...) {
  }
  title.clear();
  const std::string text =
      formatLogText("Error Opening %s file. \nConvertion fails for this file", {path});
  logLine(text, true);
  try {
    host_.showMessage(text);
  } catch (...) {
  }
  return false;
}

std::int32_t DbxFile::findMails(std::int32_t& count) {
  if (!opened) {
    logLine("Trying to find convertable mails without opening the file", true);
    return -1;
  }
  refreshFileSize();
  auto start = std::chrono::steady_clock::now();
  try {
    scanBlocks();
  } catch (...) {
    logLine("Error in searching object", true);
  }
  findings_.scanSeconds = secondsSince(start);
  std::int32_t mails = 0;
  // A stopped scan lists no mails: the run ends, and the linking would only delay it.
  if (!findings_.stopped) {
    start = std::chrono::steady_clock::now();
    try {
      mails = linkBlocks();
    } catch (...) {
      logLine("Error in analysing object", true);
      mails = 0;
      mailList.clear();
    }
    findings_.linkSeconds = secondsSince(start);
  }
  count = mails;
  logLine(formatLogText("%d Convertable mails found.", {mails}), false);
  return mails;
}

std::int32_t DbxFile::linkBlocks() {
  const LinkOutcome outcome = linkBlockTable(
      blockTable, mailList, [this](const std::string& text, bool toErrorLog) { logLine(text, toErrorLog); });
  rejectedChains = outcome.rejected;
  return outcome.mails;
}

bool DbxFile::isMailStart(std::int32_t mailNumber) const {
  if (mailNumber < 0 || static_cast<std::size_t>(mailNumber) >= mailList.size()) return false;
  const std::int32_t first = mailList[static_cast<std::size_t>(mailNumber)];
  return first >= 0 && static_cast<std::size_t>(first) < blockTable.size() &&
         blockTable[static_cast<std::size_t>(first)].status == kBlockMailStart;
}

std::int64_t DbxFile::mailStartOffset(std::int32_t mailNumber) const {
  if (!isMailStart(mailNumber)) return -1;
  return blockTable[static_cast<std::size_t>(mailList[static_cast<std::size_t>(mailNumber)])].position;
}

StoreFindings DbxFile::findings() const {
  StoreFindings found = findings_;
  found.fileSize = static_cast<std::uint64_t>(fileSize);
  found.blocks = static_cast<std::int32_t>(blockTable.size());
  found.mails = static_cast<std::int32_t>(mailList.size());
  found.incompleteChains = rejectedChains;
  found.notMailStarts = 0;
  for (std::int32_t m = 0; m < found.mails; ++m)
    if (!isMailStart(m)) ++found.notMailStarts;
  // Every block reached from a listed mail, each chain walked until it meets a block seen
  // before (a loop, or a tail shared with another chain).
  std::vector<bool> reached(blockTable.size(), false);
  std::int32_t reachedCount = 0;
  for (const std::int32_t first : mailList) {
    for (std::int32_t at = first; at >= 0 && static_cast<std::size_t>(at) < blockTable.size() && !reached[at];
         at = blockTable[at].next) {
      reached[at] = true;
      ++reachedCount;
    }
  }
  found.strayBlocks = found.blocks - reachedCount;
  return found;
}

void DbxFile::close() {
  try {
    if (!opened) {
      logLine("Error: Trying to close file without opening DBX file first", true);
      return;
    }
    bytes_.detach();
    std::fclose(file);
    file = nullptr;
    releaseTables();
    outputFolder_.reset();
    message.clear();
    blockCount = 0;
    fileSize = 0;
    opened = false;
    logLine(formatLogText("%s DBX File closed succssfully.", {path}), false);
    path.clear();
  } catch (...) {
    logLine("Exception in Closing DBX file", true);
  }
}
