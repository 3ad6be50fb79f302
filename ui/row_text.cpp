#include "ui/row_text.h"

#include <cstdio>

namespace qm::ui {
namespace {

// Day of the week, 0 = Sunday, for a Gregorian date.
int weekday(int year, int month, int day) {
  static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

}  // namespace

std::string fileNameOf(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string sizeText(std::uint64_t bytes) { return std::to_string(bytes / 1024) + " Kb"; }

std::string creationText(const platform::LocalTime& t) {
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (t.year < 1601 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
      t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 60)
    return std::string();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", days[weekday(t.year, t.month, t.day)],
                months[t.month - 1], t.day, t.hour, t.minute, t.second, t.year);
  return buf;
}

}  // namespace qm::ui
