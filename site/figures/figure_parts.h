// One function per answer figure, each behind write_figure (figures.h):
// computes the answer to |query| with the page library's own functions and
// draws it on |out|. Returns false when there is no figure for the request;
// what was written then is to be thrown away.
#ifndef SITE_FIGURES_FIGURE_PARTS_H
#define SITE_FIGURES_FIGURE_PARTS_H

#include <cstdio>

// The timeline between two dates: the full page in HTML mode, the compact
// page always.
bool kestrum_figure(FILE *out, const char *query);
bool bolvey_figure(FILE *out, const char *query);

#endif  // SITE_FIGURES_FIGURE_PARTS_H
