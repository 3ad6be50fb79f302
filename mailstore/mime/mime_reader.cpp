#include "mailstore/mime/mime_reader.h"

#include <algorithm>
#include <cstdio>
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
  // The bytes go from the system straight into place, past the stream's own buffer; a read
  // that fills the room asked for a byte more than the file's size means the file grew
  // while it was read, and it is read on to its end.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  std::size_t room = static_cast<std::size_t>(platform::fileSize(utf8Path).value_or(0)) + 1;
  auto bytes = std::make_unique_for_overwrite<char[]>(room);
  std::size_t have = 0;
  for (;;) {
    have += std::fread(bytes.get() + have, 1, room - have, file.get());
    if (have < room) break;
    auto larger = std::make_unique_for_overwrite<char[]>(room * 2);
    std::copy_n(bytes.get(), have, larger.get());
    bytes = std::move(larger);
    room *= 2;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return readMimeMessage(std::string_view(bytes.get(), have));
}

}  // namespace qm::mail
