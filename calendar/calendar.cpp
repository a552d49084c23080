#include "calendar/calendar.h"

#include <climits>

const char *const dow[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                            "Thursday", "Friday", "Saturday"};

const char *const monthNames[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};

namespace {

constexpr long long kSecondsPerDay = 86400;

// Quotient and remainder rounded toward minus infinity, so that a negative
// field carries into the unit above it the way mktime carries it.
long long floorDiv(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
long long floorMod(long long a, long long b) { return a - floorDiv(a, b) * b; }

// Days from 1 January 1970 to the given proleptic Gregorian date. Shifting
// the year to start in March puts the leap day last, so every era of 400
// years (146097 days) has the same shape.
long long daysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = floorDiv(year, 400);
  const long long yearOfEra = year - era * 400;
  const int shiftedMonth = month > 2 ? month - 3 : month + 9;
  const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The inverse of daysFromCivil, on the same March-based eras.
void civilFromDays(long long days, long long *year, int *month, int *day) {
  days += 719468;
  const long long era = floorDiv(days, 146097);
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int shiftedMonth = static_cast<int>((5 * dayOfYear + 2) / 153);
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  *year = yearOfEra + era * 400 + (*month <= 2);
}

// The local date and clock that |date| states, as seconds from 1 January
// 1970 00:00 on a clock that never changes its offset: the fields are
// carried into each other (seconds into minutes ... months into years) as
// mktime carries them, but no zone is involved. Every field is an int, so
// the sum stays far inside long long.
long long statedSeconds(const struct tm *date) {
  const long long year = date->tm_year + 1900LL + floorDiv(date->tm_mon, 12);
  const int month = static_cast<int>(floorMod(date->tm_mon, 12)) + 1;
  const long long days = daysFromCivil(year, month, 1) + date->tm_mday - 1LL;
  return days * kSecondsPerDay + date->tm_hour * 3600LL + date->tm_min * 60LL + date->tm_sec;
}

// Fills the date, clock, weekday and day-of-year fields of |result| from
// |seconds| (as statedSeconds counts them). False when the year does not
// fit tm_year.
bool fromStatedSeconds(long long seconds, struct tm *result) {
  const long long days = floorDiv(seconds, kSecondsPerDay);
  const long long clock = seconds - days * kSecondsPerDay;
  long long year;
  int month, day;
  civilFromDays(days, &year, &month, &day);
  if (year - 1900 < INT_MIN || year - 1900 > INT_MAX) return false;
  result->tm_year = static_cast<int>(year - 1900);
  result->tm_mon = month - 1;
  result->tm_mday = day;
  result->tm_hour = static_cast<int>(clock / 3600);
  result->tm_min = static_cast<int>(clock / 60 % 60);
  result->tm_sec = static_cast<int>(clock % 60);
  result->tm_wday = static_cast<int>(floorMod(days + 4, 7));  // 1 January 1970: Thursday
  result->tm_yday = static_cast<int>(days - daysFromCivil(year, 1, 1));
  return true;
}

bool sameClockReading(const struct tm &a, const struct tm &b) {
  return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
         a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

// One mktime call on a copy of |stated| with daylight saving |isdst|.
// mktime's -1 is also a valid time (one second before the epoch), so
// failure is told by a weekday it did not fill in.
bool tryMktime(const struct tm &stated, int isdst, struct tm *result) {
  *result = stated;
  result->tm_isdst = isdst;
  result->tm_wday = -1;
  std::mktime(result);
  return result->tm_wday >= 0;
}

// Sets the zone fields (tm_isdst, tm_gmtoff, tm_zone) of the normalised
// |stated| record from mktime. The caller's daylight-saving flag is tried
// first, as it tells apart the two readings of an hour the zone repeats;
// when mktime moves the clock for it (standard time presumed on a summer
// date, or winter time presumed in a zone whose winter is its daylight
// saving), the flag is left to mktime. Where the zone skipped the stated
// time (or its whole day), the values are those of the time mktime gives
// for it, or of midday should mktime refuse it. False when mktime cannot
// represent the date at all.
bool setZoneFields(struct tm *stated) {
  struct tm local;
  bool ok = tryMktime(*stated, stated->tm_isdst, &local) && sameClockReading(local, *stated);
  if (!ok) ok = tryMktime(*stated, -1, &local);
  if (!ok) {
    struct tm midday = *stated;
    midday.tm_hour = 12;
    midday.tm_min = midday.tm_sec = 0;
    ok = tryMktime(midday, -1, &local);
  }
  if (!ok) return false;
  stated->tm_isdst = local.tm_isdst;
  stated->tm_gmtoff = local.tm_gmtoff;
  stated->tm_zone = local.tm_zone;
  return true;
}

// Normalises |date|: the date and clock it states, carried but never moved
// by the zone, with the weekday, the day of the year and the zone's fields.
// On failure the caller's record keeps what it held.
bool normalise(struct tm *date) {
  struct tm work = *date;
  if (!fromStatedSeconds(statedSeconds(date), &work) || !setZoneFields(&work)) return false;
  *date = work;
  return true;
}

}  // namespace

int isLeapYear(int year) {
  if (year % 400 == 0) return 1;
  if (year % 100 == 0) return 0;
  return year % 4 == 0 ? 1 : 0;
}

int daysBetween(struct tm *first, struct tm *second) {
  const bool firstOk = normalise(first);
  const bool secondOk = normalise(second);
  if (!firstOk || !secondOk) return -1;
  long long span = statedSeconds(first) - statedSeconds(second);
  if (span < 0) span = -span;
  const long long days = span / kSecondsPerDay;
  return days > INT_MAX ? INT_MAX : static_cast<int>(days);
}

int dayOfWeek(struct tm *date) { return normalise(date) ? date->tm_wday : -1; }

int quindle(struct tm *date) { return normalise(date) ? date->tm_yday + 1 : -1; }

// Leap years repeat every 400 years, so the year's remainder decides.
int monthLength(int mon, long long year) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[mon] + (mon == 1 ? isLeapYear(static_cast<int>(year % 400)) : 0);
}
