#include "calendar/calendar.h"

#include <climits>

const char *const dow[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                            "Thursday", "Friday", "Saturday"};

namespace {

// One mktime call on a copy of |date|. mktime's -1 is also a valid time
// (one second before the epoch), so failure is told by a weekday it did not
// fill in.
bool tryMktime(const struct tm *date, struct tm *result) {
  *result = *date;
  result->tm_wday = -1;
  std::mktime(result);
  return result->tm_wday >= 0;
}

// The same date at midday, daylight saving left to mktime.
struct tm atMidday(const struct tm *date) {
  struct tm midday = *date;
  midday.tm_hour = 12;
  midday.tm_min = 0;
  midday.tm_sec = 0;
  midday.tm_isdst = -1;
  return midday;
}

// Normalises |date| with mktime. A midnight that the zone skipped when it
// moved its standard offset forward (leaving local mean time, say) does not
// exist, and mktime refuses it; such a date is taken at midday instead,
// clear of the skipped hour, so that the date itself survives (asked at
// midnight with daylight saving left open, mktime may land on either side
// of the gap, the day before included). On failure the
// caller's record keeps what it held.
bool normalise(struct tm *date) {
  struct tm work;
  if (!tryMktime(date, &work)) {
    const struct tm midday = atMidday(date);
    if (!tryMktime(&midday, &work)) return false;
  }
  *date = work;
  return true;
}

// Days from 1 January 1970 to the given proleptic Gregorian date. Shifting
// the year to start in March puts the leap day last, so every era of 400
// years (146097 days) has the same shape.
long long daysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const int shiftedMonth = month > 2 ? month - 3 : month + 9;
  const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

long long dayNumber(const struct tm *date) {
  return daysFromCivil(date->tm_year + 1900LL, date->tm_mon + 1, date->tm_mday);
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
  long long days = dayNumber(first) - dayNumber(second);
  if (days < 0) days = -days;
  return days > INT_MAX ? INT_MAX : static_cast<int>(days);
}

int dayOfWeek(struct tm *date) { return normalise(date) ? date->tm_wday : -1; }

int quindle(struct tm *date) { return normalise(date) ? date->tm_yday + 1 : -1; }
