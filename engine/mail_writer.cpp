// Writing one mail as an .eml file: the used bytes of every block of its chain, in chain
// order, byte for byte; in recovery mode only when its first blocks look like a mail header.
#include <array>
#include <memory>
#include <string_view>
#include <unordered_set>

#include "engine/dbx_file.h"
#include "engine/dbx_format.h"
#include "engine/log_text.h"
#include "engine/mail_header.h"
#include "platform/files.h"
#include "platform/safe_files.h"

namespace {

// The longest output path the name buffer holds (256 characters with the closing zero).
constexpr std::size_t kLongestOutputPath = 255;
// Blocks after the first that the header test looks at.
constexpr int kHeaderFollowingBlocks = 4;

std::size_t characterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

// Reads the whole block at `position`; false when fewer than 528 bytes arrive.
bool readWholeBlock(std::FILE* in, std::int64_t position,
                    std::array<std::uint8_t, dbx::kBlockLength>& block) {
  return qm::platform::seekTo(in, static_cast<std::uint64_t>(position)) &&
         std::fread(block.data(), 1, block.size(), in) == block.size();
}

std::string_view usedText(const std::array<std::uint8_t, dbx::kBlockLength>& block,
                          std::uint32_t usedLength) {
  const std::size_t n = usedLength < dbx::kDataAreaSize ? usedLength : dbx::kDataAreaSize;
  return {reinterpret_cast<const char*>(block.data() + dbx::kBlockHeaderLength), n};
}

// The stdio buffer of each .eml file written: a mail goes out in a few large writes, not one
// per 4 KB.
constexpr std::size_t kOutputBuffer = 1 << 16;

// Puts the store's read position at `data`, the data area of the block that starts at
// `block`. `position` is where the last read left it (-1 when unknown): a chain stored in
// file order is read on without a seek, which would throw the stream's buffer away.
bool placeAt(std::FILE* in, std::int64_t& position, std::int64_t block, std::int64_t data) {
  std::array<std::uint8_t, dbx::kBlockHeaderLength> header{};
  if (position == block && std::fread(header.data(), 1, header.size(), in) == header.size()) position = data;
  if (position == data) return true;
  position = -1;
  if (!qm::platform::seekTo(in, static_cast<std::uint64_t>(data))) return false;
  position = data;
  return true;
}

}  // namespace

enum class DbxFile::CopyResult { Complete, Failed, Stopped };

std::string DbxFile::outputNameFor(const std::string& folder, std::int32_t mailNumber) const {
  return folder + qm::platform::pathSeparator() +
         formatLogText("%s_%06d.eml", {title, static_cast<std::int64_t>(mailNumber) + 1});
}

bool DbxFile::passesHeaderTest(std::FILE* in, std::int32_t first, std::int32_t mailNumber) {
  const auto& table = dbxBlockTable();
  std::array<std::uint8_t, dbx::kBlockLength> block{};
  if (!readWholeBlock(in, table[first].position, block)) {
    logLine(formatLogText("Error reading even first block of Email No:%d", {mailNumber}), true);
    return false;
  }
  std::string header(usedText(block, table[first].usedLength));
  std::int32_t last = first;
  for (int k = 0; k < kHeaderFollowingBlocks; ++k) {
    const std::int32_t next = table[last].next;
    if (next < 0 || next >= static_cast<std::int32_t>(table.size())) break;
    if (!readWholeBlock(in, table[next].position, block)) break;
    header += usedText(block, table[next].usedLength);
    last = next;
  }
  if (looksLikeMailHeader(header)) return true;
  logLine(formatLogText("Mail %d rejected as no valid mail header found in it.", {mailNumber}), true);
  return false;
}

// Appends the used bytes of every block of the chain. A block that cannot be reached or
// read is left out and the walk goes on; the walk ends at the last block, at a block met
// before in this mail (a loop), at a successor index out of range, or on a stop request.
DbxFile::CopyResult DbxFile::copyChain(std::FILE* in, std::FILE* out, std::int32_t first, std::int32_t mailNumber) {
  const auto& table = dbxBlockTable();
  const auto total = static_cast<std::int32_t>(table.size());
  std::unordered_set<std::int32_t> written;
  std::array<std::uint8_t, dbx::kDataAreaSize> buffer{};
  std::int64_t position = -1;
  for (std::int32_t index = first; index != -1;) {
    if (host_.stopRequested()) {
      logLine(formatLogText("Mail %d not completed: conversion stopped", {mailNumber}), true);
      return CopyResult::Stopped;
    }
    if (index < 0 || index >= total) {
      logLine(formatLogText("Mail rejected due to object index out of bound. Object index:%d out of total:%d",
                            {static_cast<std::int64_t>(index) + 1, total}),
              true);
      return CopyResult::Failed;
    }
    if (!written.insert(index).second) {
      logLine(formatLogText("Mail %d chain loops back to block No:%d; the blocks before it are saved",
                            {mailNumber, index}),
              true);
      return CopyResult::Complete;
    }
    const DbxBlockRecord& b = table[index];
    try {
      const std::int64_t data = b.position + static_cast<std::int64_t>(dbx::kBlockHeaderLength);
      if (!placeAt(in, position, b.position, data)) {
        logLine(formatLogText("Error while moving file pointer to offset:%d of block:%d of Email No:%d ",
                              {b.position, index, mailNumber}),
                true);
      } else if (b.usedLength > buffer.size() ||
                 std::fread(buffer.data(), 1, b.usedLength, in) != b.usedLength) {
        position = -1;
        logLine(formatLogText("Error reading block No:%d (offset=%d) of Email No:%d ",
                              {index, b.position, mailNumber}),
                true);
      } else {
        position += b.usedLength;
        if (std::fwrite(buffer.data(), 1, b.usedLength, out) != b.usedLength) {
          logLine(formatLogText("Error writing block No:%d of Email No:%d to the output file",
                                {index, mailNumber}),
                  true);
          return CopyResult::Failed;
        }
      }
    } catch (...) {
      position = -1;
      logLine(formatLogText("Exception for block No:%d (offset=%d) of Email No:%d ",
                            {index, b.position, mailNumber}),
              true);
    }
    index = b.next;
  }
  return CopyResult::Complete;
}

bool DbxFile::writeMail(std::FILE* in, const std::string& folder, std::string& outputPath,
                        std::int32_t mailNumber) {
  try {
    const auto mails = static_cast<std::int32_t>(mailList.size());
    if (mailNumber < 0 || mailNumber >= mails) {
      logLine(formatLogText("Email index out of bound, Trying to recover email no=%d out of %d",
                            {mailNumber, mails}),
              true);
      return false;
    }
    const std::int32_t first = mailList[mailNumber];
    const auto& table = dbxBlockTable();
    if (first < 0 || first >= static_cast<std::int32_t>(table.size())) return false;
    if (table[first].status != kBlockMailStart) return false;
    outputPath = outputNameFor(folder, mailNumber);
    if (characterCount(outputPath) > kLongestOutputPath) {
      logLine(formatLogText("Mail %d refused: output path of %d characters is longer than %d: %s",
                            {mailNumber, characterCount(outputPath), kLongestOutputPath, outputPath}),
              true);
      return false;
    }
    if (recoveryMode && !passesHeaderTest(in, first, mailNumber)) return false;
    logLine(formatLogText("Mail %d Starts at %d Offset", {mailNumber, table[first].position}), false);
    // Written under a partial name and renamed when complete: a failed, stopped or killed
    // mail never leaves a file under a name that looks converted.
    qm::platform::OutputFile out;
    if (!out.open(outputPath)) return false;
    std::setvbuf(out.stream(), nullptr, _IOFBF, kOutputBuffer);
    if (copyChain(in, out.stream(), first, mailNumber) != CopyResult::Complete) return false;
    if (!out.commit(qm::platform::OutputFile::Replace::Existing)) {
      logLine(formatLogText("Error closing file:%s of Email No:%d", {outputPath, mailNumber}), true);
      return false;
    }
    logLine(formatLogText("Mail:%d saved successfully to file:%s", {mailNumber, outputPath}), false);
    return true;
  } catch (...) {
    logLine(formatLogText("Exception while writing %d mail at %s", {mailNumber, outputPath}), true);
    return false;
  }
}

bool DbxFile::saveMailToEML(std::string folder, std::string& outputPath, std::int32_t mailNumber) {
  if (!opened) {
    logLine("trying to save mail to EML without opening DBX file", true);
    return false;
  }
  try {
    if (writeMail(file, folder, outputPath, mailNumber)) return true;
    logLine(formatLogText("could not write %s file to %s folder", {outputPath, folder}), true);
    return false;
  } catch (...) {
    logLine(formatLogText("error in saveMailToEML for mail:%d (%s)", {mailNumber, outputPath}), true);
    return false;
  }
}
