// Dates of mail headers: RFC 5322 section 3.3 with its obsolete forms (section 4.3) and
// the other forms old clients wrote (asctime order, ISO dates, dotted dates, zones by name,
// "GMT+0200", AM/PM, missing seconds or weekday, comments, odd spacing).
#pragma once

#include <optional>
#include <string_view>

#include "mailstore/message.h"

namespace qm::mail::mime {

// Seconds since the epoch in UTC; none when the text holds no usable date. A date without
// a time of day is taken at midnight; a date without a zone (or with one nobody can place)
// is taken as UTC.
std::optional<UnixTime> parseMailDate(std::string_view text);

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(int year, int month, int day);

}  // namespace qm::mail::mime
