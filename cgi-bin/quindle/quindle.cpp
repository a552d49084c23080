#include "cgi-bin/quindle/quindle.h"

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "calendar/calendar.h"
#include "page/answer_page.h"
#include "formlib/formlib.h"

namespace {

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

// Normalises the entered date at midnight in |date|, leaving daylight
// saving time to mktime. Returns false when mktime cannot represent it (the
// normalised year does not fit the record). A result of -1 is also a real
// time, the last second of 1969 in UTC; it is told apart by converting it
// back, since a failed mktime leaves no such record.
bool normaliseDate(std::tm *date, int year, int month, int day) {
  *date = std::tm{};
  date->tm_isdst = -1;
  date->tm_mon = month - 1;
  date->tm_mday = day;
  date->tm_year = year - 1900;  // year > 0, so this cannot overflow
  std::time_t when = std::mktime(date);
  if (when != static_cast<std::time_t>(-1)) return true;
  std::tm back;
  return localtime_r(&when, &back) != nullptr && back.tm_year == date->tm_year &&
         back.tm_yday == date->tm_yday && back.tm_hour == date->tm_hour &&
         back.tm_min == date->tm_min && back.tm_sec == date->tm_sec;
}

// The "%W" week of the normalised |date| (weeks begin on Monday; days before
// the year's first Monday are week 0), or -1 when strftime gives nothing.
int weekNumber(const std::tm *date) {
  char week[64];
  if (std::strftime(week, sizeof week, "%W", date) == 0) return -1;
  return std::atoi(week);
}

void printInputLine(FILE *out, int year, int month, int day) {
  std::fprintf(out, "\n<p>\nThe date you input was %s %d, %d.\n</p>\n<p>", monthNames[month - 1],
               day, year);
}

// The normalised year may lie one past INT_MAX, so years are printed wide.
void printDateLine(FILE *out, const std::tm &date) {
  long long year = date.tm_year + 1900LL;
  std::fprintf(out, "\n%9s, %9s %2d, %4lld is day %3d of %4lld.  ", dow[date.tm_wday],
               monthNames[date.tm_mon], date.tm_mday, year, date.tm_yday + 1, year);
}

// The week and year come from answerDay.
void printWeekLine(FILE *out, int week, int year) {
  if (week == -1) {
    std::fputs("\n</p><p>Error in getting week number.</p>", out);
    return;
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

// The answer for valid fields: input line, then the normalised date and
// its week, or the range error when mktime cannot represent it.
void printDate(FILE *out, const DayAnswer &answer) {
  assert(answer.month > 0);
  assert(answer.month < 13);
  printInputLine(out, answer.year, answer.month, answer.day);
  if (!answer.normalised) {
    printRangeError(out);
    return;
  }
  printDateLine(out, answer.date);
  printWeekLine(out, answer.week, answer.weekYear);
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

// The week line names the entered year; week 0 is called week 53 of the
// entered year less one (year > 0, so that cannot overflow).
void answerDay(DayAnswer *answer, const char *query) {
  FormBuffer form;
  copy_form(form, query);
  *answer = DayAnswer{};
  answer->date.tm_isdst = -1;
  answer->year = getYear(form);
  answer->month = getMonth(form);
  answer->day = getDay(form);
  answer->week = -1;
  answer->weekYear = answer->year;
  answer->fieldsValid = answer->year != 0 && answer->month != 0 && answer->day != 0;
  if (!answer->fieldsValid) return;
  answer->normalised = normaliseDate(&answer->date, answer->year, answer->month, answer->day);
  if (!answer->normalised) return;
  answer->week = weekNumber(&answer->date);
  if (answer->week == 0) {
    answer->week = 53;
    --answer->weekYear;
  }
}

void writeDay(FILE *out, const DayAnswer &answer) {
  printHeading(out);
  if (!answer.fieldsValid)
    printFieldError(out);
  else
    printDate(out, answer);
  printClosing(out);
}

int quindle_page(FILE *out, const char *query) {
  DayAnswer answer;
  return answer_page<answerDay, writeDay>(out, query, &answer);
}
