// The full dates-and-mileage page: the day of the year and weekday of up to
// two dates, the days between them, a taxpayer's mileage report, a leap-year
// answer and a business-mileage expense, as text inside a textarea or, with
// the field "html" starting with "1", as HTML lines.
#ifndef CGI_BIN_KESTRUM_KESTRUM_H
#define CGI_BIN_KESTRUM_KESTRUM_H

#include <cstdio>

// Answers the URL-encoded |query| (nullptr: served as an empty query) on
// |out|. Dates are read in the process's time zone; thousands are grouped by
// the process's numeric locale. Returns 0, or 1 with nothing written when
// the query is longer than 2047 bytes.
int kestrum_page(FILE *out, const char *query);

#endif  // CGI_BIN_KESTRUM_KESTRUM_H
