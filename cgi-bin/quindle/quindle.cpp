#include "cgi-bin/quindle/quindle.h"

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "formlib/formlib.h"

namespace {

const char *const strMonth[12] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};
const char *const strDay[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                               "Thursday", "Friday", "Saturday"};

// The date being answered: set to the entered date at midnight, then
// normalised in place by mktime, which also fills the weekday and the day
// of the year.
std::tm timeinfo;

// The leading integer of |text| as atoi reads it, but 0 where atoi would be
// undefined: a number that does not fit an int counts as no number.
int leadingInt(const char *text) {
  errno = 0;
  long value = std::strtol(text, nullptr, 10);
  if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
  return static_cast<int>(value);
}

// The leading integer of field |name|, or 0 when the field is absent.
int fieldInt(const char *form, const char *name) {
  char value[256];
  if (get_var(value, name, form) < 0) return 0;
  return leadingInt(value);
}

void clearTimeinfo() {
  timeinfo = std::tm{};
  timeinfo.tm_isdst = -1;  // let mktime work out daylight saving time
}

void printHeading(FILE *out) {
  std::fputs("\n<h1>Day of the Year</h1>\n<div>\n<img src=\"/images/calendar.png\" />\n</div>\n",
             out);
}

void printFieldError(FILE *out) {
  std::fputs(
      "\n<p>Error: Month, day and year should be positive integers.</p>\n"
      "<p>Month must be in range 1..12.",
      out);
}

// Normalises the entered date in timeinfo. Returns false when mktime cannot
// represent it (the normalised year does not fit the record). A result of
// -1 is also a real time, the last second of 1969 in UTC; it is told apart
// by converting it back, since a failed mktime leaves no such record.
bool normaliseDate(int year, int month, int day) {
  timeinfo.tm_mon = month - 1;
  timeinfo.tm_mday = day;
  timeinfo.tm_year = year - 1900;  // year > 0, so this cannot overflow
  std::time_t when = std::mktime(&timeinfo);
  if (when != static_cast<std::time_t>(-1)) return true;
  std::tm back;
  return localtime_r(&when, &back) != nullptr && back.tm_year == timeinfo.tm_year &&
         back.tm_yday == timeinfo.tm_yday && back.tm_hour == timeinfo.tm_hour &&
         back.tm_min == timeinfo.tm_min && back.tm_sec == timeinfo.tm_sec;
}

// The "%W" week of the normalised date (weeks begin on Monday; days before
// the year's first Monday are week 0), or -1 when strftime gives nothing.
int weekNumber() {
  char week[64];
  if (std::strftime(week, sizeof week, "%W", &timeinfo) == 0) return -1;
  return std::atoi(week);
}

void printInputLine(FILE *out, int year, int month, int day) {
  std::fprintf(out, "\n<p>\nThe date you input was %s %d, %d.\n</p>\n<p>", strMonth[month - 1], day,
               year);
}

// The normalised year may lie one past INT_MAX, so years are printed wide.
void printDateLine(FILE *out) {
  long long year = timeinfo.tm_year + 1900LL;
  std::fprintf(out, "\n%9s, %9s %2d, %4lld is day %3d of %4lld.  ", strDay[timeinfo.tm_wday],
               strMonth[timeinfo.tm_mon], timeinfo.tm_mday, year, timeinfo.tm_yday + 1, year);
}

// The week line names the entered year; week 0 is called week 53 of the
// entered year less one (year > 0, so that cannot overflow).
void printWeekLine(FILE *out, int week, int year) {
  if (week == -1) {
    std::fputs("\n</p><p>Error in getting week number.</p>", out);
    return;
  }
  if (week == 0) {
    week = 53;
    --year;
  }
  std::fprintf(out, "\nWhich is week %d of %d.\n", week, year);
}

void printRangeError(FILE *out) {
  std::fputs("\nError: That date is too far in the future to compute.", out);
}

void printClosing(FILE *out) {
  std::fputs("\n</p>\n<p>\n<a href=\"/quindle.html\">Return to Day of the Year</a></p>\n<hr />\n",
             out);
}

// The answer for a valid entered date: input line, then the normalised date
// and its week, or the range error when mktime cannot represent it.
void printDate(FILE *out, int year, int month, int day) {
  assert(month > 0);
  assert(month < 13);
  bool normalised = normaliseDate(year, month, day);
  printInputLine(out, year, month, day);
  if (!normalised) {
    printRangeError(out);
    return;
  }
  printDateLine(out);
  printWeekLine(out, weekNumber(), year);
}

}  // namespace

int getYear(const char *form) {
  int year = fieldInt(form, "year");
  return year > 0 ? year : 0;
}

int getMonth(const char *form) {
  int month = fieldInt(form, "month");
  return month >= 1 && month <= 12 ? month : 0;
}

int getDay(const char *form) {
  int day = fieldInt(form, "day");
  return day > 0 ? day : 0;
}

int quindle_page(FILE *out, const char *query) {
  char form[2048];
  std::snprintf(form, sizeof form, "%s", query ? query : "");
  clearTimeinfo();
  printHeading(out);
  int year = getYear(form);
  int month = getMonth(form);
  int day = getDay(form);
  if (year == 0 || month == 0 || day == 0)
    printFieldError(out);
  else
    printDate(out, year, month, day);
  printClosing(out);
  return 0;
}
