#include "dates/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "calendar/calendar.h"
#include "formlib/formlib.h"

namespace {

bool given(const char *text) { return text[0] != '\0'; }

// The leading decimal number of |text| in the numeric locale, 0 when none.
double readDouble(const char *text) { return std::strtod(text, nullptr); }

void readFields(DatesForm *fields, const char *form) {
  get_var(fields->date1, "date1", form);
  get_var(fields->date2, "date2", form);
  get_var(fields->miles1, "miles1", form);
  get_var(fields->miles2, "miles2", form);
  get_var(fields->year, "year", form);
  get_var(fields->bizmiles, "bizmiles", form);
  get_var(fields->rate, "rate", form);
}

// A record at local midnight, daylight saving left to mktime: after
// normalisation it stands for midnight of the date entered in any zone,
// also where winter time is the zone's daylight saving.
struct tm midnightRecord() {
  struct tm record {};
  record.tm_isdst = -1;
  record.tm_zone = "UTC";
  return record;
}

// Both attempts write into the same record: a failed or partial first
// attempt may leave fields that the second overwrites.
bool parseDate(struct tm *record, const char *text, DateRule rule) {
  const char *end = strptime(text, "%m/%d/%y", record);
  if (end != nullptr && (rule == kTwoDigitYear || *end == '\0')) return true;
  if (rule == kTwoDigitYear) return false;
  return strptime(text, "%m/%d/%Y", record) != nullptr;
}

// A date the platform cannot represent is treated like one that does not
// parse, so no page prints an answer for it.
void readDate(DateAnswer *date, const char *text, DateRule rule, bool allowed) {
  date->record = midnightRecord();
  if (!allowed || !given(text) || !parseDate(&date->record, text, rule)) return;
  date->weekday = dayOfWeek(&date->record);
  date->yearDay = quindle(&date->record);
  date->valid = date->weekday >= 0 && date->yearDay >= 1;
}

Answer chooseAnswer(const DatesReport *report) {
  const DatesForm &form = report->form;
  const bool readings = given(form.miles1) && given(form.miles2) && given(form.year);
  if (readings && report->date2.valid && report->days > 0) return kMileageBlock;
  if (report->date2.valid) return kDaysLine;
  if (given(form.year)) return kLeapYearLine;
  return kNoAnswer;
}

void computeMileage(DatesReport *report) {
  Mileage &m = report->mileage;
  m.reading1 = form_int(report->form.miles1);
  m.reading2 = form_int(report->form.miles2);
  m.difference = std::llabs(static_cast<long long>(m.reading2) - m.reading1);
  m.average = static_cast<double>(m.difference) / report->days;
  m.extrapolated = static_cast<long long>((365 + report->leapYear) * m.average + 0.5);
}

void computeExpense(DatesReport *report) {
  report->hasExpense = given(report->form.bizmiles) && given(report->form.rate);
  if (!report->hasExpense) return;
  report->bizmiles = form_int(report->form.bizmiles);
  report->rate = readDouble(report->form.rate);
  report->expense = report->bizmiles * report->rate;
}

}  // namespace

bool loadForm(FormBuffer &form, const char *query) {
  if (!copy_form(form, query)) return false;
  unescape_url(form);
  return true;
}

void buildReport(DatesReport *report, const char *form, DateRule rule) {
  *report = DatesReport{};
  readFields(&report->form, form);
  readDate(&report->date1, report->form.date1, rule, true);
  readDate(&report->date2, report->form.date2, rule, report->date1.valid);
  if (report->date2.valid) report->days = daysBetween(&report->date1.record, &report->date2.record);
  if (given(report->form.year)) report->year = form_int(report->form.year);
  report->leapYear = isLeapYear(report->year);
  report->answer = chooseAnswer(report);
  if (report->answer == kMileageBlock) computeMileage(report);
  computeExpense(report);
}

void writeAnswer(FILE *out, const DatesReport &report, const AnswerWriters &writers,
                 const char *eol) {
  switch (report.answer) {
    case kMileageBlock:
      writers.mileageBlock(out, report, eol);
      break;
    case kDaysLine:
      writers.daysLine(out, report, eol);
      break;
    case kLeapYearLine:
      writers.leapYearLine(out, report, eol);
      break;
    case kNoAnswer:
      break;
  }
}
