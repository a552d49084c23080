// Gregorian calendar arithmetic on broken-down dates (struct tm). The date
// functions hand the calendar work to mktime: each normalises the caller's
// record in place (out-of-range fields carried into the next larger unit,
// tm_wday and tm_yday filled in, local time of the process's zone) and then
// reads what mktime filled in. Calling them again on a normalised record
// changes nothing.
#ifndef CALENDAR_CALENDAR_H
#define CALENDAR_CALENDAR_H

#include <ctime>

// Weekday names indexed by tm_wday / dayOfWeek: dow[0] is "Sunday".
extern const char *const dow[7];

// 1 when |year| (as written, 2024 not 124) is a Gregorian leap year, else 0.
// Any int, zero and negative years included: 0, -4 and -400 are leap years.
int isLeapYear(int year);

// Whole days from one date to the other, never negative, in either order.
// Normalises |first|, then |second|. The count is taken from the two
// normalised dates, so it does not depend on the zone's offset on either
// date. Returns -1, leaving a record that cannot be normalised unchanged,
// when mktime fails on either record; saturates at INT_MAX.
int daysBetween(struct tm *first, struct tm *second);

// Weekday of the normalised |date|, 0 = Sunday .. 6 = Saturday, an index
// into dow. Returns -1 with |date| unchanged when mktime cannot represent it.
int dayOfWeek(struct tm *date);

// Day of the year of the normalised |date|, 1 = 1 January .. 366. Returns
// -1 with |date| unchanged when mktime cannot represent it.
int quindle(struct tm *date);

#endif  // CALENDAR_CALENDAR_H
