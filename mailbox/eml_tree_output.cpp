#include "mailbox/eml_tree_output.h"

#include <filesystem>

#include "mailbox/mail_time.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {
constexpr std::size_t kHeaderBytes = 256 * 1024;  // enough for any header block
}

EmlTreeOutput::EmlTreeOutput(std::string root) : root_(std::move(root)) {}

int EmlTreeOutput::makeFolder(int parent, const std::string& name, SpecialFolder) {
  SiblingNames& names = parent == kTop ? topNames_ : folders_.at(static_cast<std::size_t>(parent)).children;
  const std::string& base = parent == kTop ? root_ : folders_.at(static_cast<std::size_t>(parent)).path;
  Folder f;
  f.path = base + platform::pathSeparator() + names.take(safeName(name));
  std::error_code ec;
  std::filesystem::create_directories(platform::toPath(f.path), ec);
  // A folder that cannot be made fails its mails one by one; the others go on.
  folders_.push_back(std::move(f));
  return static_cast<int>(folders_.size() - 1);
}

std::string EmlTreeOutput::workFolder(int folder) const { return folders_.at(static_cast<std::size_t>(folder)).path; }

bool EmlTreeOutput::addMail(int, const std::string& emlPath, const MailState& state) {
  std::optional<mail::UnixTime> time = state.received ? state.received : state.date;
  if (!time) {
    if (auto text = readMailText(emlPath, kHeaderBytes)) time = dateHeaderTime(*text);
  }
  // The mail is written whatever its date; a file system that refuses the time keeps it.
  if (time) setModificationTime(emlPath, *time);
  return true;
}

}  // namespace qm::mailbox
