// Pictures of the answers: one inline SVG figure per answer page, computed
// from the same request and the page libraries' own functions, written by
// the site's frame after the program's fragment (never by the programs).
#ifndef SITE_FIGURES_FIGURES_H
#define SITE_FIGURES_FIGURES_H

#include <cstdio>

// Writes the figure for |program|'s answer to |query| (nullptr: an empty
// query) to |out|: "roots", "circles", "quindle", "kestrum" (HTML mode) and
// "bolvey" have one; every other program, and a request the figure cannot
// be drawn for, writes nothing. Reads the process's time zone and numeric
// locale as the page does. Returns whether a figure was written.
bool write_figure(FILE *out, const char *program, const char *query);

#endif  // SITE_FIGURES_FIGURES_H
