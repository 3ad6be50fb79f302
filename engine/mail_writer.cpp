// Writing one mail as an .eml file: the used bytes of every block of its chain, in chain
// order, byte for byte; in recovery mode only when its first blocks look like a mail header.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

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

// The system's word for the last failure, when it left one.
std::string systemReason() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

std::size_t characterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

std::string_view usedText(qm::Bytes block, std::uint32_t usedLength) {
  const std::size_t n = std::min<std::size_t>(usedLength, dbx::kDataAreaSize);
  return {reinterpret_cast<const char*>(block.data() + dbx::kBlockHeaderLength), n};
}

// The pieces written by one call: 1024 blocks of text, the most one system call takes.
constexpr std::size_t kPiecesPerWrite = 1024;
#ifdef _WIN32
// The stdio buffer of each .eml file written, where the pieces go through it.
constexpr std::size_t kOutputBuffer = 1 << 16;
#endif

// Copies `size` mapped bytes into `to` as a guarded section; false when the file has shrunk
// under them.
bool copyMapped(std::uint8_t* to, const std::uint8_t* from, std::size_t size) {
  struct Copy {
    std::uint8_t* to;
    const std::uint8_t* from;
    std::size_t size;
  } copy{to, from, size};
  return qm::platform::runGuarded(
      [](void* context) {
        auto* c = static_cast<Copy*>(context);
        std::memcpy(c->to, c->from, c->size);
      },
      &copy);
}

// The whole block at `position`, copied out of the store; false when fewer than 528 bytes
// can be read.
bool readWholeBlock(StoreBytes& bytes, std::int64_t position, std::array<std::uint8_t, dbx::kBlockLength>& block) {
  const qm::Bytes view = bytes.view(static_cast<std::uint64_t>(position), block.size());
  return view.size() == block.size() && copyMapped(block.data(), view.data(), view.size());
}

}  // namespace

enum class DbxFile::CopyResult { Complete, Failed, Unreadable, Stopped };

std::string DbxFile::outputFileName(std::int32_t mailNumber) const {
  return formatLogText("%s_%06d.eml", {title, static_cast<std::int64_t>(mailNumber) + 1});
}

// The text of the chain's first block and of up to four blocks after it; false when even the
// first block cannot be read.
bool DbxFile::readHead(std::int32_t first, std::string& head) {
  const auto& table = blockTable;
  std::array<std::uint8_t, dbx::kBlockLength> block{};
  head.clear();
  if (!readWholeBlock(bytes_, table[first].position, block)) return false;
  head.append(usedText(block, table[first].usedLength));
  std::int32_t last = first;
  for (int k = 0; k < kHeaderFollowingBlocks; ++k) {
    const std::int32_t next = table[last].next;
    if (next < 0 || next >= static_cast<std::int32_t>(table.size())) break;
    if (!readWholeBlock(bytes_, table[next].position, block)) break;
    head.append(usedText(block, table[next].usedLength));
    last = next;
  }
  return true;
}

bool DbxFile::passesHeaderTest(std::int32_t first, std::int32_t mailNumber) {
  std::string header;
  if (!readHead(first, header)) {
    logLine(formatLogText("Error reading even first block of Email No:%d", {mailNumber}), true);
    return false;
  }
  if (looksLikeMailHeader(header)) return true;
  ++findings_.headerless;
  logLine(formatLogText("Mail %d rejected as no valid mail header found in it.", {mailNumber}), true);
  return false;
}

// Writes the gathered pieces; they point into the store's current window.
DbxFile::CopyResult DbxFile::flushPieces(std::FILE* out, std::int32_t mailNumber) {
  const qm::platform::GatherResult result = qm::platform::writeGathered(out, pieces_);
  pieces_.clear();
  if (result == qm::platform::GatherResult::Written) return CopyResult::Complete;
  if (result == qm::platform::GatherResult::SourceUnreadable) {
    logLine(formatLogText("Error reading the blocks of Email No:%d: the file has shrunk since it was opened",
                          {mailNumber}),
            true);
    return CopyResult::Unreadable;
  }
  if (errno == ENOSPC) outputDiskFull = true;
  logLine(formatLogText("Error writing Email No:%d to the output file: %s", {mailNumber, systemReason()}), true);
  return CopyResult::Failed;
}

// Writes the used bytes of every block of the chain, straight from the store's window, a
// run of blocks per system call. The walk ends at the last block, at a block met before in
// this mail (a loop), at a successor index out of range, or on a stop request. A block that
// cannot be read fails the mail: its text would be missing from a mail reported as saved.
// `head` receives the text of the first blocks, as the header test reads it.
DbxFile::CopyResult DbxFile::copyChain(std::FILE* out, std::int32_t first, std::int32_t mailNumber,
                                       std::string& head) {
  const auto& table = blockTable;
  const auto total = static_cast<std::int32_t>(table.size());
  if (writtenMark_.size() != table.size()) writtenMark_.assign(table.size(), 0);
  if (++markEpoch_ == 0) {  // wrapped: old marks could pass for this mail's
    std::fill(writtenMark_.begin(), writtenMark_.end(), 0);
    markEpoch_ = 1;
  }
  pieces_.clear();
  std::uint64_t furthest = 0;  // the end of the furthest text read
  int headBlocks = 0;
  for (std::int32_t index = first; index != -1;) {
    if (host_.stopRequested()) {
      pieces_.clear();
      logLine(formatLogText("Mail %d not completed: conversion stopped", {mailNumber}), true);
      return CopyResult::Stopped;
    }
    if (index < 0 || index >= total) {
      logLine(formatLogText("Mail rejected due to object index out of bound. Object index:%d out of total:%d",
                            {static_cast<std::int64_t>(index) + 1, total}),
              true);
      const CopyResult flushed = flushPieces(out, mailNumber);
      return flushed == CopyResult::Complete ? CopyResult::Failed : flushed;
    }
    if (writtenMark_[index] == markEpoch_) {
      logLine(formatLogText("Mail %d chain loops back to block No:%d; the blocks before it are saved",
                            {mailNumber, index}),
              true);
      break;
    }
    writtenMark_[index] = markEpoch_;
    const DbxBlockRecord& b = table[index];
    const auto data = static_cast<std::uint64_t>(b.position) + dbx::kBlockHeaderLength;
    const std::size_t used = std::min<std::size_t>(b.usedLength, dbx::kDataAreaSize);
    // Views of a new window would move the earlier pieces' bytes away: those go first.
    if (!pieces_.empty() && (pieces_.size() == kPiecesPerWrite || !bytes_.inWindow(data, used))) {
      if (const CopyResult flushed = flushPieces(out, mailNumber); flushed != CopyResult::Complete) return flushed;
    }
    const qm::Bytes text = bytes_.view(data, used);
    if (text.size() != used || b.usedLength > dbx::kDataAreaSize) {
      pieces_.clear();
      logLine(formatLogText("Error reading block No:%d (offset=%d) of Email No:%d ", {index, b.position, mailNumber}),
              true);
      return CopyResult::Unreadable;
    }
    // The head is copied out as a guarded section too: the mapping may lose its pages.
    if (headBlocks++ <= kHeaderFollowingBlocks) {
      const std::size_t had = head.size();
      head.resize(had + used);
      if (!copyMapped(reinterpret_cast<std::uint8_t*>(head.data()) + had, text.data(), used)) {
        pieces_.clear();
        logLine(formatLogText("Error reading the blocks of Email No:%d: the file has shrunk since it was opened",
                              {mailNumber}),
                true);
        return CopyResult::Unreadable;
      }
    }
    pieces_.push_back({text.data(), text.size()});
    furthest = std::max(furthest, data + used);
    index = b.next;
  }
  if (const CopyResult flushed = flushPieces(out, mailNumber); flushed != CopyResult::Complete) return flushed;
  // A file cut short while the mail was copied may have given zeros for a page's tail
  // instead of failing the copy: the size now tells.
  const auto now = qm::platform::currentSize(file);
  if (!now || *now < furthest) {
    logLine(formatLogText("Error reading the blocks of Email No:%d: the file has shrunk since it was opened",
                          {mailNumber}),
            true);
    return CopyResult::Unreadable;
  }
  return CopyResult::Complete;
}

bool DbxFile::writeMail(const std::string& folder, std::string& outputPath, std::int32_t mailNumber) {
  outputDiskFull = false;
  try {
    const auto mails = static_cast<std::int32_t>(mailList.size());
    if (mailNumber < 0 || mailNumber >= mails) {
      logLine(formatLogText("Email index out of bound, Trying to recover email no=%d out of %d",
                            {mailNumber, mails}),
              true);
      return false;
    }
    const std::int32_t first = mailList[mailNumber];
    const auto& table = blockTable;
    if (first < 0 || first >= static_cast<std::int32_t>(table.size())) return false;
    if (table[first].status != kBlockMailStart) return false;
    const std::string name = outputFileName(mailNumber);
    outputPath = folder + qm::platform::pathSeparator() + name;
    if (characterCount(outputPath) > kLongestOutputPath) {
      logLine(formatLogText("Mail %d refused: output path of %d characters is longer than %d: %s",
                            {mailNumber, characterCount(outputPath), kLongestOutputPath, outputPath}),
              true);
      return false;
    }
    if (recoveryMode && !passesHeaderTest(first, mailNumber)) return false;
    if (logEnabled) logLine(formatLogText("Mail %d Starts at %d Offset", {mailNumber, table[first].position}), false);
    // Written under a partial name and renamed when complete: a failed, stopped or killed
    // mail never leaves a file under a name that looks converted.
    if (!outputFolder_ || outputFolder_->path() != folder)
      outputFolder_ = std::make_unique<qm::platform::OutputFolder>(folder);
    qm::platform::OutputFile out;
    errno = 0;
    if (!out.open(*outputFolder_, name)) {
      if (errno == ENOSPC) outputDiskFull = true;
      logLine(formatLogText("Error creating file %s: %s", {outputPath, systemReason()}), true);
      return false;
    }
#ifdef _WIN32
    std::setvbuf(out.stream(), nullptr, _IOFBF, kOutputBuffer);  // the pieces go through the stream there
#endif
    std::string head;
    if (copyChain(out.stream(), first, mailNumber, head) != CopyResult::Complete) return false;
    if (!recoveryMode && !looksLikeMailHeader(head)) ++findings_.headerless;
    errno = 0;
    if (!out.commit(qm::platform::OutputFile::Replace::Existing)) {
      if (errno == ENOSPC) outputDiskFull = true;
      logLine(formatLogText("Error closing file:%s of Email No:%d: %s", {outputPath, mailNumber, systemReason()}),
              true);
      return false;
    }
    if (logEnabled) logLine(formatLogText("Mail:%d saved successfully to file:%s", {mailNumber, outputPath}), false);
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
    if (writeMail(folder, outputPath, mailNumber)) return true;
    logLine(formatLogText("could not write %s file to %s folder", {outputPath, folder}), true);
    return false;
  } catch (...) {
    logLine(formatLogText("error in saveMailToEML for mail:%d (%s)", {mailNumber, outputPath}), true);
    return false;
  }
}
