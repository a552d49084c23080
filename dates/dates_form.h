// The fields both dates-and-mileage forms share: the odometer readings,
// the year and the business expense, and what the forms say above them.
#ifndef DATES_DATES_FORM_H
#define DATES_DATES_FORM_H

#include "page/form.h"

// The questions the dates pages answer, and the fields each needs.
#define DATES_QUESTIONS                                                                        \
  "<p>Fill in only what your question needs:</p>\n<ul>\n"                                      \
  "<li>the day of the year and weekday of a date: Date 1, and Date 2 for a second one;</li>\n" \
  "<li>the days between two dates: both dates;</li>\n"                                         \
  "<li>a mileage report extrapolated to a whole year: both dates, the odometer reading on "    \
  "each, and the year;</li>\n"                                                                 \
  "<li>whether a year is a leap year: the year alone;</li>\n"                                  \
  "<li>a business expense: business miles and the rate per mile.</li>\n</ul>\n"

// Whole miles, digits only.
constexpr FormField miles_field(const char *name, const char *label, const char *hint) {
  return text_field(name, label, hint, "[0-9]+", "whole miles, digits only", false, 9, 9,
                    "numeric");
}

inline constexpr FormField kDatesGroup = group_field("Dates and odometer readings");
inline constexpr FormField kMiles1Field =
    miles_field("miles1", "Odometer on date 1", "miles, digits only, e.g. 10000");
inline constexpr FormField kMiles2Field =
    miles_field("miles2", "Odometer on date 2", "miles, digits only, e.g. 15000");
inline constexpr FormField kYearField = text_field(
    "year", "Year", "the year of the mileage report, or the year to ask about, e.g. 2021",
    "[0-9]{1,4}", "the year in full, digits only", false, 4, 4, "numeric");
inline constexpr FormField kExpenseGroup = group_field("Business expense");
inline constexpr FormField kBizmilesField =
    miles_field("bizmiles", "Business miles", "digits only, e.g. 1000");
inline constexpr FormField kRateField =
    text_field("rate", "Rate per mile, in dollars", "a decimal number without $, e.g. 0.56",
               "[0-9]+(\\.[0-9]*)?|\\.[0-9]+", "a decimal number without the dollar sign", false, 6,
               10, "decimal");

// Date |n| (1 or 2) of a dates form, |width| characters wide, with the
// form's own hint, pattern and title.
constexpr FormField date_field(int n, const char *hint, const char *pattern, const char *title,
                               int width) {
  return text_field(n == 1 ? "date1" : "date2", n == 1 ? "Date 1" : "Date 2", hint, pattern, title,
                    false, width, width);
}

// A dates form's fields in their order, around the form's two date fields.
#define DATES_FIELDS(date1, date2)                                                               \
  kDatesGroup, date1, kMiles1Field, date2, kMiles2Field, end_field(), kYearField, kExpenseGroup, \
      kBizmilesField, kRateField, end_field()

#endif  // DATES_DATES_FORM_H
