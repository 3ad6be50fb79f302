// DbxFile: opening and closing a store, the mail count, and the process-wide block table.
#include "engine/dbx_file.h"

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

void releaseTable() { std::vector<DbxBlockRecord>().swap(dbxBlockTable()); }

}  // namespace

std::vector<DbxBlockRecord>& dbxBlockTable() {
  static std::vector<DbxBlockRecord> table;
  return table;
}

DbxFile::DbxFile(EngineHost& host) : host_(host) { releaseTable(); }

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

void DbxFile::refreshFileSize() {
  fileSize = 0;
  if (qm::platform::seekToEnd(file)) {
    if (const auto end = qm::platform::tellPosition(file)) fileSize = static_cast<std::int64_t>(*end);
  }
  qm::platform::seekTo(file, 0);
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
    headerlessMails = 0;
    releaseTable();
    mailList.clear();
    if (file) std::fclose(file);  // never leave the earlier handle open
    file = nullptr;
    opened = false;
    file = qm::platform::openFile(path, "rb");
    // Mails are read block after block; a larger buffer saves a read call every 4 KB.
    if (file) std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
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
  try {
    scanBlocks(file);
  } catch (...) {
    logLine("Error in searching object", true);
  }
  std::int32_t mails = 0;
  try {
    mails = linkBlocks();
  } catch (...) {
    logLine("Error in analysing object", true);
    mails = 0;
  }
  count = mails;
  logLine(formatLogText("%d Convertable mails found.", {mails}), false);
  return mails;
}

std::int32_t DbxFile::linkBlocks() {
  const LinkOutcome outcome = linkBlockTable(
      dbxBlockTable(), mailList, [this](const std::string& text, bool toErrorLog) { logLine(text, toErrorLog); });
  rejectedChains = outcome.rejected;
  return outcome.mails;
}

void DbxFile::close() {
  try {
    if (!opened) {
      logLine("Error: Trying to close file without opening DBX file first", true);
      return;
    }
    std::fclose(file);
    file = nullptr;
    releaseTable();
    mailList.clear();
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
