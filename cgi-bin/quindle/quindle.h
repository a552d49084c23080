// The day-of-year page: from the form fields "month", "day" and "year" it
// prints the date as entered, the same date normalised by mktime with its
// weekday and day of the year, and its Monday-based week of the year.
#ifndef CGI_BIN_QUINDLE_QUINDLE_H
#define CGI_BIN_QUINDLE_QUINDLE_H

#include <cstdio>
#include <ctime>

// Field readers. Each takes the raw value of its field from the form string
// |form| (values are never decoded) and reads its leading integer as atoi
// does: leading blanks, a sign, then digits up to the first non-digit.
// Return 0 when the field is absent, has no digits, holds a number outside
// the int range, or is out of bounds: getYear and getDay accept values
// above 0, getMonth accepts 1..12.
int getYear(const char *form);
int getMonth(const char *form);
int getDay(const char *form);

// Everything the page prints for one request, computed once: the fragment
// and the picture are both drawn from it.
struct DayAnswer {
  int year, month, day;  // as entered: getYear, getMonth, getDay (0: invalid)
  bool fieldsValid;      // all three non-zero; else the page shows the field error
  bool normalised;       // fieldsValid, and mktime could represent the date
  struct tm date;        // the entered date at midnight, normalised in place
  int week;              // the week line's week: "%W", week 0 told as 53;
                         // -1 when strftime gave nothing
  int weekYear;          // the week line's year: the entered year, less one
                         // for week 0
};

// Reads |query| as quindle_page does (nullptr: an empty query; only the
// first kFormMax bytes are used) and fills |answer| with the date and week the
// page prints. |date|, |week| and |weekYear| are meaningful only when
// |normalised|.
void answerDay(DayAnswer *answer, const char *query);

// Writes the page for |answer| to |out|: what quindle_page writes.
void writeDay(FILE *out, const DayAnswer &answer);

// Writes the whole page for one request with query string |query| (nullptr,
// as when QUERY_STRING is unset, is served as an empty query; only its first
// kFormMax bytes are used) to |out|:
// - a missing or invalid field gives the field error paragraph;
// - otherwise the entered date, the normalised date line and the week line
//   ("%W" week; week 0 is reported as week 53 of the entered year less one);
// - a date too large for mktime to represent gives, in place of the date and
//   week lines, "Error: That date is too far in the future to compute.".
// Every answer ends with the link back to the form. Returns 0.
int quindle_page(FILE *out, const char *query);

#endif  // CGI_BIN_QUINDLE_QUINDLE_H
