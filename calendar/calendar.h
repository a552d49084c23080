// Gregorian calendar arithmetic on broken-down dates (struct tm). The date
// functions normalise the caller's record in place: out-of-range fields are
// carried into the next larger unit as mktime carries them (30 February
// 2021 becomes 2 March), and tm_wday, tm_yday and the zone fields (tm_isdst,
// tm_gmtoff, tm_zone, from mktime for the process's zone) are filled in.
// The record keeps the local date and clock it states, in every zone: a
// record for midnight stays midnight of that date, whatever daylight saving
// it presumes and whatever the zone's offset did that day, even where the
// zone skipped that clock time or the whole day. Calling them again on a
// normalised record changes nothing.
#ifndef CALENDAR_CALENDAR_H
#define CALENDAR_CALENDAR_H

#include <ctime>

// Weekday names indexed by tm_wday / dayOfWeek: dow[0] is "Sunday".
extern const char *const dow[7];

// Month names indexed by tm_mon: monthNames[0] is "January".
extern const char *const monthNames[12];

// Days in month |mon| (0 = January) of |year| as written, by the Gregorian
// rule that mktime follows; any year, so a normalised tm_year + 1900LL.
int monthLength(int mon, long long year);

// 1 when |year| (as written, 2024 not 124) is a Gregorian leap year, else 0.
// Any int, zero and negative years included: 0, -4 and -400 are leap years.
int isLeapYear(int year);

// Whole days from one date to the other, never negative, in either order.
// Normalises |first|, then |second|. The span is measured between the two
// records' local clock readings, so a change of the zone's offset between
// the dates (daylight saving, a new standard offset) does not move it; where
// the offset is the same on both dates it is the elapsed time. A span that
// falls short of whole days, by however little, counts one day fewer: two
// midnights give the calendar's count, 00:00:01 to 00:00 two days later
// gives 1. Returns -1, leaving a record that cannot be normalised unchanged,
// when mktime fails on either record; saturates at INT_MAX.
int daysBetween(struct tm *first, struct tm *second);

// Weekday of the normalised |date|, 0 = Sunday .. 6 = Saturday, an index
// into dow. Returns -1 with |date| unchanged when mktime cannot represent it.
int dayOfWeek(struct tm *date);

// Day of the year of the normalised |date|, 1 = 1 January .. 366. Returns
// -1 with |date| unchanged when mktime cannot represent it.
int quindle(struct tm *date);

#endif  // CALENDAR_CALENDAR_H
