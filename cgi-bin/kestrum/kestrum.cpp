#include "cgi-bin/kestrum/kestrum.h"

#include <clocale>
#include <cstdio>
#include <ctime>

#include "calendar/calendar.h"
#include "page/answer_page.h"
#include "formlib/formlib.h"

namespace {

// Room for one field's text written through html_escape.
using EscapedField = char[html_escaped_size(kFieldSize - 1)];

bool htmlMode(const char *form) {
  char html[kFieldSize];
  get_var(html, "html", form);
  return html[0] == '1';
}

void writeHeadingAndOpening(FILE *out, bool html) {
  std::fputs("\n<center><h1>Dates and Mileage</h1></center>", out);
  std::fputs(html ? "\n<hr>" : "\n<hr><div><textarea rows=\"25\" cols=\"80\">", out);
}

void writeDateLine(FILE *out, const DateAnswer &date, const char *eol) {
  if (!date.valid) return;
  const struct tm &d = date.record;
  std::fprintf(out, "\n%d/%d/%d was day %d of the year and fell on a %s.%s%s", d.tm_mon + 1,
               d.tm_mday, d.tm_year + 1900, date.yearDay, dow[date.weekday], eol, eol);
}

void writeReading(FILE *out, const struct tm &d, int reading, const char *ends) {
  std::fprintf(out, "%02d/%02d/%04d %'d miles;%s", d.tm_mon + 1, d.tm_mday, d.tm_year + 1900,
               reading, ends);
}

void writeMileageBlock(FILE *out, const DatesReport &r, const char *eol) {
  const Mileage &m = r.mileage;
  char twoEols[16];
  std::snprintf(twoEols, sizeof twoEols, "%s%s", eol, eol);
  EscapedField year;
  html_escape(year, r.form.year);
  std::fprintf(out, "\nTaxpayer provided documentation showing mileage on the following dates:%s",
               eol);
  writeReading(out, r.date1.record, m.reading1, eol);
  writeReading(out, r.date2.record, m.reading2, twoEols);
  std::fprintf(out,
               "\nTaxpayer went %'lld miles in %d days for an average of %'.1lf miles/day.  "
               "Extrapolating gives us %'lld miles in %s.%s",
               m.difference, r.days, m.average, m.extrapolated, year, twoEols);
}

void writeDaysLine(FILE *out, const DatesReport &r, const char *eol) {
  const struct tm &a = r.date1.record, &b = r.date2.record;
  std::fprintf(out, "\nThere were %d days between %d/%d/%d and %d/%d/%d.%s%s", r.days, a.tm_mon + 1,
               a.tm_mday, a.tm_year + 1900, b.tm_mon + 1, b.tm_mday, b.tm_year + 1900, eol, eol);
}

void writeLeapYearLine(FILE *out, const DatesReport &r, const char *eol) {
  EscapedField year;
  html_escape(year, r.form.year);
  std::fprintf(out, "\n%s %s a leap year.%s%s", year, r.leapYear ? "was" : "was not", eol, eol);
}

void writeExpenseLine(FILE *out, const DatesReport &r, const char *eol) {
  if (!r.hasExpense) return;
  std::fprintf(out,
               "\nTaxpayer went %'d business miles at $%5.3lf/mile for a maximum expense of "
               "about $%'.2lf.%s%s",
               r.bizmiles, r.rate, r.expense, eol, eol);
}

void writeClosing(FILE *out, bool html) {
  if (!html) std::fputs("</textarea></div>\n", out);
  std::fputs("\n<hr>\n", out);
}

}  // namespace

bool answerKestrum(KestrumAnswer *answer, const char *query) {
  FormBuffer form;
  if (!loadForm(form, query)) return false;
  buildReport(&answer->report, form, kTwoOrFourDigitYear);
  answer->html = htmlMode(form);
  return true;
}

void writeKestrum(FILE *out, const KestrumAnswer &answer) {
  const DatesReport &report = answer.report;
  const char *eol = answer.html ? "<br>\n" : "\n";
  writeHeadingAndOpening(out, answer.html);
  writeDateLine(out, report.date1, eol);
  writeDateLine(out, report.date2, eol);
  writeAnswer(out, report, {writeMileageBlock, writeDaysLine, writeLeapYearLine}, eol);
  writeExpenseLine(out, report, eol);
  writeClosing(out, answer.html);
}

void kestrum_locale() { std::setlocale(LC_ALL, "en_US.UTF-8"); }

int kestrum_page(FILE *out, const char *query) {
  KestrumAnswer answer;
  return answer_page<answerKestrum, writeKestrum>(out, query, &answer);
}
