#include "mailbox/mbox_tree_output.h"

#include <filesystem>
#include <memory>

#include "mailbox/mail_time.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {

// True when the line starting at `pos` is ">*From ": mboxrd quotes it with one more '>'.
bool needsQuote(const std::string& text, std::size_t pos) {
  while (pos < text.size() && text[pos] == '>') ++pos;
  return text.compare(pos, 5, "From ") == 0;
}

}  // namespace

std::string mboxEntry(const std::string& text, const MailState& state) {
  std::string out;
  out.reserve(text.size() + text.size() / 64 + 128);
  const auto time = filingTime(state, text);
  out += "From - " + asctimeText(time.value_or(0)) + "\n";
  if (state.listed) {
    out += state.read ? "Status: RO\n" : "Status: O\n";
    if (state.flagged) out += "X-Status: F\n";
  }
  std::size_t line = 0;
  while (line < text.size()) {
    std::size_t end = text.find('\n', line);
    end = end == std::string::npos ? text.size() : end + 1;
    if (needsQuote(text, line)) out += '>';
    out.append(text, line, end - line);
    line = end;
  }
  // A text that does not end its last line gets a line end, so that the next separator
  // starts a line of its own.
  if (!text.empty() && text.back() != '\n') out += '\n';
  out += '\n';
  return out;
}

MboxTreeOutput::MboxTreeOutput(std::string root, std::string work) : root_(std::move(root)), work_(std::move(work)) {}

int MboxTreeOutput::makeFolder(int parent, const std::string& name, SpecialFolder) {
  std::string dir = root_;
  SiblingNames* names = &topNames_;
  if (parent != kTop) {
    Folder& p = folders_.at(static_cast<std::size_t>(parent));
    dir = p.file + ".sbd";
    names = &p.children;
    std::error_code ec;
    std::filesystem::create_directories(platform::toPath(dir), ec);
  }
  Folder f;
  // "X.sbd" is the subfolder directory of "X": no folder may be named so itself.
  std::string safe = safeName(name);
  if (safe.size() > 4 && safe.compare(safe.size() - 4, 4, ".sbd") == 0) safe += "_";
  f.file = dir + platform::pathSeparator() + names->take(safe);
  // An empty folder is an empty file.
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(f.file, "ab"));
  folders_.push_back(std::move(f));
  return static_cast<int>(folders_.size() - 1);
}

bool MboxTreeOutput::addMail(int folder, const std::string& emlPath, const MailState& state) {
  const auto text = readMailText(emlPath);
  platform::deleteFile(emlPath);
  if (!text) return false;
  const std::string entry = mboxEntry(*text, state);
  std::unique_ptr<std::FILE, platform::FileCloser> file(
      platform::openFile(folders_.at(static_cast<std::size_t>(folder)).file, "ab"));
  if (!file) return false;
  if (std::fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size())
    throw OutputFailure("cannot write " + folders_[static_cast<std::size_t>(folder)].file);
  if (std::fclose(file.release()) != 0)
    throw OutputFailure("cannot write " + folders_[static_cast<std::size_t>(folder)].file);
  return true;
}

}  // namespace qm::mailbox
