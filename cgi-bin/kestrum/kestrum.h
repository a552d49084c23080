// The full dates-and-mileage page: the day of the year and weekday of up to
// two dates, the days between them, a taxpayer's mileage report, a leap-year
// answer and a business-mileage expense, as text inside a textarea or, with
// the field "html" starting with "1", as HTML lines.
#ifndef CGI_BIN_KESTRUM_KESTRUM_H
#define CGI_BIN_KESTRUM_KESTRUM_H

#include <cstdio>

#include "dates/report.h"

// Everything the page prints for one request, computed once: the fragment
// and the picture are both drawn from it.
struct KestrumAnswer {
  DatesReport report;  // read by the two-or-four-digit-year rule
  bool html;           // the field "html" starts with "1": HTML lines, else a textarea
};

// Reads the URL-encoded |query| (nullptr: an empty query) and computes its
// answer, in the process's time zone and numeric locale. Returns false,
// computing nothing, when the query is longer than kFormMax bytes.
bool answerKestrum(KestrumAnswer *answer, const char *query);

// Writes the page for |answer| to |out|; thousands are grouped by the
// process's numeric locale.
void writeKestrum(FILE *out, const KestrumAnswer &answer);

// Sets what the page needs of the process: thousands grouped as in US
// English (the locale en_US.UTF-8). The program's main and the site both
// call it before the page.
void kestrum_locale();

// Answers the URL-encoded |query| (nullptr: served as an empty query) on
// |out|. Dates are read in the process's time zone; thousands are grouped by
// the process's numeric locale. Returns 0, or 1 with nothing written when
// the query is longer than kFormMax bytes.
int kestrum_page(FILE *out, const char *query);

#endif  // CGI_BIN_KESTRUM_KESTRUM_H
