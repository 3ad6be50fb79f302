// The system converter on POSIX: iconv into UTF-16LE. Converters are opened once per
// charset and thread and kept for the thread's life.
#include <iconv.h>

#include <cerrno>
#include <string>
#include <unordered_map>

#include "platform/charset.h"
#include "platform/charset_codecs.h"

namespace qm::platform::codecs {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv's names where they differ from the canonical ones.
std::string iconvName(std::string_view canonical) {
  if (canonical == "windows-874") return "CP874";
  if (canonical == "macintosh") return "MACINTOSH";
  return std::string(canonical);
}

class Converters {
 public:
  ~Converters() {
    for (auto& [name, cd] : open_) {
      if (cd != kNoConverter) iconv_close(cd);
    }
  }
  // kNoConverter when iconv does not know the charset.
  iconv_t get(std::string_view canonical) {
    auto it = open_.find(std::string(canonical));
    if (it == open_.end()) {
      it = open_.emplace(std::string(canonical), iconv_open("UTF-16LE", iconvName(canonical).c_str()))
               .first;
    }
    return it->second;
  }

 private:
  std::unordered_map<std::string, iconv_t> open_;
};

Converters& converters() {
  thread_local Converters instance;
  return instance;
}

void appendLe16(const char* p, std::size_t bytes, std::u16string& out) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    out.push_back(static_cast<char16_t>(u[i] | (u[i + 1] << 8)));
  }
}

}  // namespace

bool systemKnows(std::string_view canonical) { return converters().get(canonical) != kNoConverter; }

bool appendSystem(std::string_view canonical, std::string_view bytes, std::u16string& out) {
  const iconv_t cd = converters().get(canonical);
  if (cd == kNoConverter) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.reserve(out.size() + bytes.size());
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[8192];
  while (inLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    appendLe16(buffer, sizeof buffer - dstLeft, out);
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or cut-off sequence: that byte is read as windows-1252 and the converter
    // starts afresh after it.
    out.push_back(windows1252Char(static_cast<unsigned char>(*in)));
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Stateful charsets (ISO-2022-JP) may still hold a shift sequence's output.
  char* dst = buffer;
  std::size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  appendLe16(buffer, sizeof buffer - dstLeft, out);
  return true;
}

}  // namespace qm::platform::codecs
