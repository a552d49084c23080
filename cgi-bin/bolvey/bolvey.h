// The compact dates-and-mileage page: the same questions and arithmetic as
// the full page, always as text inside a textarea, with dates echoed as
// typed and read by the two-digit-year rule alone.
#ifndef CGI_BIN_BOLVEY_BOLVEY_H
#define CGI_BIN_BOLVEY_BOLVEY_H

#include <cstdio>

#include "dates/report.h"

// Reads the URL-encoded |query| (nullptr: an empty query) into |report| by
// the two-digit-year rule, in the process's time zone and numeric locale:
// everything the page prints, computed once for the fragment and the
// picture. Returns false, computing nothing, when the query is longer than
// kFormMax bytes.
bool answerBolvey(DatesReport *report, const char *query);

// Writes the page for |report| to |out|; thousands grouping and the
// decimal point follow the process's numeric locale.
void writeBolvey(FILE *out, const DatesReport &report);

// Sets what the page needs of the process: the numeric locale |name| ("":
// the one the environment names, as a CGI program takes it). The program's
// main and the site both call it before the page.
void bolvey_locale(const char *name);

// Answers the URL-encoded |query| (nullptr: served as an empty query) on
// |out|. Dates are read in the process's time zone; thousands grouping and
// the decimal point of the rate follow the process's numeric locale.
// Returns 0, or 1 with nothing written when the query is longer than kFormMax
// bytes.
int bolvey_page(FILE *out, const char *query);

#endif  // CGI_BIN_BOLVEY_BOLVEY_H
