#include "mailbox/mail_time.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <filesystem>

#include "mailstore/mime/mail_date.h"
#include "platform/files.h"

namespace qm::mailbox {

namespace {

bool startsWithNoCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace

std::optional<mail::UnixTime> dateHeaderTime(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;  // the end of the header block
    if (startsWithNoCase(line, "Date:")) {
      std::string value(line.substr(5));
      // Folded continuation lines belong to the value.
      std::size_t next = end + 1;
      while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
        std::size_t e = text.find('\n', next);
        if (e == std::string_view::npos) e = text.size();
        value += ' ';
        value.append(text.substr(next, e - next));
        next = e + 1;
      }
      return mail::mime::parseMailDate(value);
    }
    pos = end + 1;
  }
  return std::nullopt;
}

std::optional<mail::UnixTime> filingTime(const MailState& state, std::string_view mailText) {
  if (state.received) return state.received;
  if (state.date) return state.date;
  return dateHeaderTime(mailText);
}

bool setModificationTime(const std::string& path, mail::UnixTime time) {
  using namespace std::chrono;
  const auto sys = system_clock::time_point(seconds(time));
  std::error_code ec;
  std::filesystem::last_write_time(platform::toPath(path), file_clock::from_sys(sys), ec);
  return !ec;
}

std::optional<std::string> readMailText(const std::string& path, std::size_t limit) {
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(path, "rb"));
  if (!file) return std::nullopt;
  std::string text;
  char buffer[65536];
  while (text.size() < limit) {
    const std::size_t n = std::fread(buffer, 1, std::min(sizeof buffer, limit - text.size()), file.get());
    if (n == 0) break;
    text.append(buffer, n);
  }
  if (std::ferror(file.get())) return std::nullopt;
  return text;
}

std::string asctimeText(mail::UnixTime time) {
  static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::int64_t days = time / 86400;
  std::int64_t rest = time % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const auto weekday = static_cast<std::size_t>(((days % 7) + 7) % 7);
  // Civil date from days since 1970 (H. Hinnant's algorithm).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %s %2u %02d:%02d:%02d %lld", kDays[weekday], kMonths[month - 1], day,
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60),
                static_cast<long long>(year));
  return buffer;
}

}  // namespace qm::mailbox
