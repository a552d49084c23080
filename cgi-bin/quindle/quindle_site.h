// What the site adds to the quindle program: the picture of an answer, the form.
#ifndef CGI_BIN_QUINDLE_QUINDLE_SITE_H
#define CGI_BIN_QUINDLE_QUINDLE_SITE_H

#include <cstdio>

#include "cgi-bin/quindle/quindle.h"
#include "page/page.h"

// Draws |answer|: the month of the normalised date as a calendar, weeks in
// rows from Monday headed by their week numbers as the page counts them,
// the date marked. Returns false, with nothing to keep, when the page
// shows no date.
bool draw_quindle_figure(FILE *out, const DayAnswer &answer);

// The page's row of the site: the answer, then its picture.
extern const PageDef kQuindlePage;

#endif  // CGI_BIN_QUINDLE_QUINDLE_SITE_H
