#include "mailstore/mime/mime_reader.h"

#include <memory>

#include "mailstore/mime/message_builder.h"
#include "platform/files.h"

namespace qm::mail {

Message readMimeMessage(std::string_view bytes) {
  Message message;
  mime::ReadBudget budget{MimeLimits::kMaxParts};
  mime::MessageBuilder builder(message, budget, 0, true);
  builder.read(bytes);
  return message;
}

Message readMimeMessage(Bytes bytes) {
  return readMimeMessage(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<Message> readMimeFile(const std::string& utf8Path) {
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(utf8Path, "rb"));
  if (!file) return std::nullopt;
  std::string bytes;
  if (const auto size = platform::fileSize(utf8Path)) bytes.resize(static_cast<std::size_t>(*size));
  const std::size_t have = std::fread(bytes.data(), 1, bytes.size(), file.get());
  bytes.resize(have);
  // A file that grew while it was read is read to its end.
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(file.get())) return std::nullopt;
  return readMimeMessage(std::string_view(bytes));
}

}  // namespace qm::mail
