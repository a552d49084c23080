// The timeline of both dates pages: the two dates of the report to scale,
// with year or month ticks between them and the days between them.
#ifndef DATES_DATES_FIGURE_H
#define DATES_DATES_FIGURE_H

#include <cstdio>

#include "dates/report.h"

// The full page shows its dates normalised as m/d/yyyy; the compact page
// shows them as typed.
enum DateText { kNormalised, kAsTyped };

// Draws |report|'s two dates, written as |how| says. Returns false, with
// nothing to keep, unless both dates are valid.
bool draw_dates_figure(FILE *out, const DatesReport &report, DateText how);

#endif  // DATES_DATES_FIGURE_H
