#include "cgi-bin/bolvey/bolvey.h"

#include <clocale>
#include <cstdio>

#include "calendar/calendar.h"
#include "page/answer_page.h"
#include "formlib/formlib.h"

namespace {

// Room for one field's text written through html_escape.
using EscapedField = char[html_escaped_size(kFieldSize - 1)];

void writeOpening(FILE *out) {
  std::fputs(
      "\n<center><h1>Dates and Mileage</h1></center>\n<hr><div><textarea rows=\"25\" "
      "cols=\"80\">",
      out);
}

void writeDateLine(FILE *out, const DateAnswer &date, const char *text) {
  if (!date.valid) return;
  EscapedField typed;
  html_escape(typed, text);
  std::fprintf(out, "\n%s was day %d of the year and fell on a %s.\n\n", typed, date.yearDay,
               dow[date.weekday]);
}

void writeMileageBlock(FILE *out, const DatesReport &r, const char * /* eol: always "\n" */) {
  const Mileage &m = r.mileage;
  EscapedField date1, date2, year;
  html_escape(date1, r.form.date1);
  html_escape(date2, r.form.date2);
  html_escape(year, r.form.year);
  std::fputs("\nTaxpayer provided documentation showing mileage on the following dates:\n", out);
  std::fprintf(out, "%s %'d miles;\n", date1, m.reading1);
  std::fprintf(out, "%s %'d miles.\n\n", date2, m.reading2);
  std::fprintf(out,
               "\nTaxpayer went %'lld miles in %d days for an average of %.1lf miles/day.  "
               "Extrapolating gives us %'lld miles in %s.\n\n",
               m.difference, r.days, m.average, m.extrapolated, year);
}

void writeDaysLine(FILE *out, const DatesReport &r, const char * /* eol: always "\n" */) {
  EscapedField date1, date2;
  html_escape(date1, r.form.date1);
  html_escape(date2, r.form.date2);
  std::fprintf(out, "\nThere were %d days between %s and %s.\n\n", r.days, date1, date2);
}

void writeLeapYearLine(FILE *out, const DatesReport &r, const char * /* eol: always "\n" */) {
  EscapedField year;
  html_escape(year, r.form.year);
  std::fprintf(out, "\n%s %s a leap year.\n\n", year, r.leapYear ? "was" : "was not");
}

void writeExpenseLine(FILE *out, const DatesReport &r) {
  if (!r.hasExpense) return;
  std::fprintf(out,
               "\nTaxpayer went %'d business miles at $%'.3lf/mile for a maximum expense of "
               "about $%'.2lf.\n\n",
               r.bizmiles, r.rate, r.expense);
}

void writeClosing(FILE *out) { std::fputs("\n</textarea></div><hr>\n", out); }

}  // namespace

bool answerBolvey(DatesReport *report, const char *query) {
  FormBuffer form;
  if (!loadForm(form, query)) return false;
  buildReport(report, form, kTwoDigitYear);
  return true;
}

void writeBolvey(FILE *out, const DatesReport &report) {
  writeOpening(out);
  writeDateLine(out, report.date1, report.form.date1);
  writeDateLine(out, report.date2, report.form.date2);
  writeAnswer(out, report, {writeMileageBlock, writeDaysLine, writeLeapYearLine}, "\n");
  writeExpenseLine(out, report);
  writeClosing(out);
}

void bolvey_locale(const char *name) { std::setlocale(LC_NUMERIC, name); }

int bolvey_page(FILE *out, const char *query) {
  DatesReport answer;
  return answer_page<answerBolvey, writeBolvey>(out, query, &answer);
}
