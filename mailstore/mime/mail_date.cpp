#include "mailstore/mime/mail_date.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "mailstore/mime/header_block.h"

namespace qm::mail::mime {

namespace {

struct NamedOffset {
  std::string_view name;
  int minutes;
};

// RFC 5322 section 4.3 names, and the European and Pacific names that clients of the time
// wrote although no standard gave them.
constexpr std::array kZones{
    NamedOffset{"ut", 0},      NamedOffset{"utc", 0},     NamedOffset{"gmt", 0},
    NamedOffset{"z", 0},       NamedOffset{"est", -300},  NamedOffset{"edt", -240},
    NamedOffset{"cst", -360},  NamedOffset{"cdt", -300},  NamedOffset{"mst", -420},
    NamedOffset{"mdt", -360},  NamedOffset{"pst", -480},  NamedOffset{"pdt", -420},
    NamedOffset{"ast", -240},  NamedOffset{"adt", -180},  NamedOffset{"akst", -540},
    NamedOffset{"akdt", -480}, NamedOffset{"hst", -600},  NamedOffset{"nst", -210},
    NamedOffset{"wet", 0},     NamedOffset{"west", 60},   NamedOffset{"bst", 60},
    NamedOffset{"cet", 60},    NamedOffset{"cest", 120},  NamedOffset{"met", 60},
    NamedOffset{"mest", 120},  NamedOffset{"mez", 60},    NamedOffset{"mesz", 120},
    NamedOffset{"eet", 120},   NamedOffset{"eest", 180},  NamedOffset{"msk", 180},
    NamedOffset{"jst", 540},   NamedOffset{"kst", 540},   NamedOffset{"hkt", 480},
    NamedOffset{"aest", 600},  NamedOffset{"aedt", 660},  NamedOffset{"nzst", 720},
    NamedOffset{"nzdt", 780},
};

struct MonthName {
  std::string_view name;
  int month;
};

// English names, full or cut to three or four letters, and the German abbreviations that
// differ from them.
constexpr std::array kMonths{
    MonthName{"jan", 1},  MonthName{"feb", 2},  MonthName{"mar", 3},  MonthName{"apr", 4},
    MonthName{"may", 5},  MonthName{"jun", 6},  MonthName{"jul", 7},  MonthName{"aug", 8},
    MonthName{"sep", 9},  MonthName{"oct", 10}, MonthName{"nov", 11}, MonthName{"dec", 12},
    MonthName{"mär", 3},  MonthName{"mrz", 3},  MonthName{"mai", 5},  MonthName{"okt", 10},
    MonthName{"dez", 12},
};

constexpr std::array<std::string_view, 12> kFullMonths{
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

int monthOf(const std::string& word) {
  for (std::size_t m = 0; m < kFullMonths.size(); ++m) {
    const std::string_view full = kFullMonths[m];
    if (word.size() >= 3 && full.starts_with(word)) return static_cast<int>(m) + 1;
  }
  for (const MonthName& m : kMonths) {
    if (word == m.name) return m.month;
  }
  return 0;
}

bool zoneNamed(const std::string& word, int& minutes) {
  for (const NamedOffset& z : kZones) {
    if (word == z.name) {
      minutes = z.minutes;
      return true;
    }
  }
  // Single military letters: RFC 5322 says their sense is unknown; they read as UTC.
  if (word.size() == 1 && word[0] >= 'a' && word[0] <= 'z' && word[0] != 'j') {
    minutes = 0;
    return true;
  }
  return false;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int toInt(std::string_view s) {
  int v = 0;
  for (char c : s) {
    if (v > 100000) break;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::vector<std::string_view> splitOn(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

struct DateParts {
  int year = -1, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  bool haveTime = false;
  bool pm = false, am = false;
  int zoneMinutes = 0;
  bool haveNumericZone = false;
  std::vector<std::string_view> numbers;  // plain numbers, in order
};

bool readTime(std::string_view tok, DateParts& d) {
  const std::vector<std::string_view> f = splitOn(tok, tok.find(':') != std::string_view::npos ? ':' : '.');
  if (f.size() < 2 || f.size() > 3) return false;
  for (std::string_view x : f) {
    if (!allDigits(x) || x.size() > 2) return false;
  }
  d.hour = toInt(f[0]);
  d.minute = toInt(f[1]);
  d.second = f.size() == 3 ? toInt(f[2]) : 0;
  d.haveTime = true;
  return true;
}

// "+0200", "-05:00", "+2", "+02".
bool readOffset(std::string_view tok, DateParts& d) {
  const int sign = tok[0] == '-' ? -1 : 1;
  std::string digits;
  for (char c : tok.substr(1)) {
    if (c != ':') digits.push_back(c);
  }
  if (!allDigits(digits) || digits.size() > 4) return false;
  int h, m = 0;
  if (digits.size() <= 2) {
    h = toInt(digits);
  } else {
    h = toInt(digits.substr(0, digits.size() - 2));
    m = toInt(digits.substr(digits.size() - 2));
  }
  if (h > 23 || m > 59) return false;
  d.zoneMinutes = sign * (h * 60 + m);
  d.haveNumericZone = true;
  return true;
}

// "2003-05-12", "2003-05-12T10:00:00Z", "12.05.2003", "12-May-2003".
bool readCompoundDate(std::string_view tok, DateParts& d) {
  const char sep = tok.find('-') != std::string_view::npos ? '-'
                   : tok.find('.') != std::string_view::npos ? '.'
                   : tok.find('/') != std::string_view::npos ? '/' : 0;
  if (!sep) return false;
  std::string_view datePart = tok;
  const std::size_t t = tok.find_first_of("Tt");
  if (sep == '-' && t != std::string_view::npos && t > 0 && allDigits(tok.substr(0, 4))) {
    datePart = tok.substr(0, t);
    std::string_view rest = tok.substr(t + 1);
    const std::size_t z = rest.find_first_of("Zz+-");
    if (!readTime(rest.substr(0, z), d)) return false;
    if (z != std::string_view::npos && rest[z] != 'Z' && rest[z] != 'z' && !readOffset(rest.substr(z), d))
      return false;
  }
  const std::vector<std::string_view> f = splitOn(datePart, sep);
  if (f.size() != 3) return false;
  if (allDigits(f[0]) && f[0].size() == 4 && allDigits(f[1]) && allDigits(f[2])) {
    d.year = toInt(f[0]), d.month = toInt(f[1]), d.day = toInt(f[2]);
    return true;
  }
  if (!allDigits(f[0]) || !allDigits(f[2]) || f[0].size() > 2) return false;
  int month = 0;
  if (allDigits(f[1]) && f[1].size() <= 2 && sep == '.') {
    month = toInt(f[1]);  // day.month.year, as German clients wrote it
  } else {
    std::string word;
    for (char c : f[1]) word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    month = monthOf(word);
  }
  if (month == 0) return false;
  d.day = toInt(f[0]);
  d.month = month;
  d.numbers.push_back(f[2]);  // the year, widened below with the other numbers
  return true;
}

std::string lowerWord(std::string_view tok) {
  std::string w;
  for (char c : tok) {
    if (c == '.') continue;
    w.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return w;
}

void readToken(std::string_view tok, DateParts& d) {
  if (tok.empty()) return;
  if ((tok[0] == '+' || tok[0] == '-') && tok.size() > 1) {
    readOffset(tok, d);
    return;
  }
  if (allDigits(tok)) {
    d.numbers.push_back(tok);
    return;
  }
  if (tok.find(':') != std::string_view::npos && readTime(tok, d)) return;
  if (std::isdigit(static_cast<unsigned char>(tok[0])) && readCompoundDate(tok, d)) return;
  // "GMT+0200", "UTC-5": a name glued to an offset.
  const std::size_t sign = tok.find_first_of("+-");
  if (sign != std::string_view::npos && sign > 0) {
    readToken(tok.substr(0, sign), d);
    readToken(tok.substr(sign), d);
    return;
  }
  const std::string w = lowerWord(tok);
  if (w == "am") d.am = true;
  else if (w == "pm") d.pm = true;
  else if (const int m = monthOf(w); m != 0 && d.month == 0) d.month = m;
  else if (int z = 0; !d.haveNumericZone && zoneNamed(w, z)) d.zoneMinutes = z;
  // Weekdays and other words carry nothing we use.
}

std::string withoutComments(std::string_view s) {
  std::string out;
  int depth = 0;
  for (char c : s) {
    if (c == '(') ++depth;
    else if (c == ')' && depth > 0) --depth;
    else if (depth == 0) out.push_back(c == ',' || c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
  }
  return out;
}

int widenYear(std::string_view digits) {
  const int y = toInt(digits);
  if (digits.size() <= 2) return y < 50 ? 2000 + y : 1900 + y;  // RFC 5322 section 4.3
  if (digits.size() == 3) return 1900 + y;
  return y;
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Day and year among the plain numbers: a number of three or more digits, or one over 31,
// is the year; otherwise the first is the day and the next the year.
bool placeNumbers(DateParts& d) {
  std::vector<std::string_view> rest;
  int yearIndex = -1;
  for (std::size_t i = 0; i < d.numbers.size(); ++i) {
    const std::string_view n = d.numbers[i];
    if (d.year < 0 && yearIndex < 0 && (n.size() >= 3 || toInt(n) > 31)) {
      yearIndex = static_cast<int>(i);
      continue;
    }
    rest.push_back(n);
  }
  if (yearIndex >= 0) d.year = widenYear(d.numbers[static_cast<std::size_t>(yearIndex)]);
  std::size_t r = 0;
  if (d.day == 0 && r < rest.size()) d.day = toInt(rest[r++]);
  if (d.year < 0 && r < rest.size()) d.year = widenYear(rest[r++]);
  return d.year >= 0 && d.day > 0;
}

}  // namespace

std::int64_t daysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days_from_civil.
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::optional<UnixTime> parseMailDate(std::string_view text) {
  if (text.size() > 256) text = text.substr(0, 256);
  const std::string s = withoutComments(text);
  DateParts d;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    readToken(std::string_view(s).substr(start, i - start), d);
  }
  if (d.month == 0 || !placeNumbers(d)) return std::nullopt;
  if (d.pm && d.hour < 12) d.hour += 12;
  if (d.am && d.hour == 12) d.hour = 0;
  if (d.second == 60) d.second = 59;  // a leap second
  if (d.year < 1601 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > daysInMonth(d.year, d.month) || d.hour > 23 || d.minute > 59 || d.second > 59)
    return std::nullopt;
  return daysFromCivil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 + d.second -
         d.zoneMinutes * 60;
}

}  // namespace qm::mail::mime
