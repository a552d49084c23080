// What both dates-and-mileage pages compute from one request, apart from how
// they print it: the decoded form fields, the two dates and their answers,
// which of the mileage block, days-between line and leap-year line the page
// gives, and the mileage and expense figures.
#ifndef DATES_REPORT_H
#define DATES_REPORT_H

#include <cstddef>
#include <cstdio>
#include <ctime>

#include "formlib/formlib.h"

// Size of each field buffer: values are cut to 255 bytes.
inline constexpr std::size_t kFieldSize = 256;

// The text fields of the form, as decoded from the query; "" when absent.
// A field is "given" when its text is non-empty.
struct DatesForm {
  char date1[kFieldSize], date2[kFieldSize], miles1[kFieldSize], miles2[kFieldSize];
  char year[kFieldSize], bizmiles[kFieldSize], rate[kFieldSize];
};

// How a date field is read. Both accept month/day/year with one- or
// two-digit month and day; a two-digit year 69..99 is 1969..1999 and 00..68
// is 2000..2068.
enum DateRule {
  // "%m/%d/%y" when it takes the whole text, else "%m/%d/%Y" (up to four
  // digits of year, anything after them ignored).
  kTwoOrFourDigitYear,
  // "%m/%d/%y" alone; whatever follows the two-digit year is ignored.
  kTwoDigitYear,
};

// One date of the form. |valid| when its field is given, parses and can be
// normalised (and, for the second date, the first is valid); then |record|
// holds the normalised date (local midnight of the date entered, carried)
// and |weekday| (0 = Sunday) and |yearDay| (1 = 1 January) its answers.
struct DateAnswer {
  bool valid;
  struct tm record;
  int weekday, yearDay;
};

// The one answer among these that a page writes after its date lines.
enum Answer { kNoAnswer, kMileageBlock, kDaysLine, kLeapYearLine };

// Mileage figures, in wider integers than the readings so that no pair of
// readings overflows. |extrapolated| is the daily average over a whole
// year (365 or 366 days by the "year" field), rounded half up.
struct Mileage {
  int reading1, reading2;
  long long difference;
  double average;
  long long extrapolated;
};

struct DatesReport {
  DatesForm form;
  DateAnswer date1, date2;
  int days;      // whole days between the two dates; 0 unless date 2 is valid
  int year;      // the "year" number; 0 unless given
  int leapYear;  // isLeapYear(year)
  Answer answer;
  Mileage mileage;  // set when answer is kMileageBlock
  bool hasExpense;  // "bizmiles" and "rate" both given
  int bizmiles;
  double rate, expense;  // expense = bizmiles * rate
};

// Copies |query| (nullptr: an empty query) into |form| and percent-decodes
// the whole buffer in place. Returns false, with |form| emptied, when the
// query is longer than kFormMax bytes: the page then writes nothing.
bool loadForm(FormBuffer &form, const char *query);

// Reads the fields of the decoded |form| and computes everything the page
// reports, reading dates by |rule|. Uses the process's time zone, and its
// numeric locale for the decimal point of "rate".
void buildReport(DatesReport *report, const char *form, DateRule rule);

// How a page writes one of the three answers, each line ended by |eol|.
using AnswerWriter = void (*)(FILE *out, const DatesReport &report, const char *eol);
struct AnswerWriters {
  AnswerWriter mileageBlock, daysLine, leapYearLine;
};

// Writes the answer |report| chose (nothing for kNoAnswer) with the page's
// |writers|.
void writeAnswer(FILE *out, const DatesReport &report, const AnswerWriters &writers,
                 const char *eol);

#endif  // DATES_REPORT_H
