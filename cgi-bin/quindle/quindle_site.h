// The quindle page on the site: its answer with the picture of it, its form.
#ifndef CGI_BIN_QUINDLE_QUINDLE_SITE_H
#define CGI_BIN_QUINDLE_QUINDLE_SITE_H

#include <cstdio>

#include "cgi-bin/quindle/quindle.h"
#include "site/unit/unit.h"

// Draws |answer|: the month of the normalised date as a calendar, weeks in
// rows from Monday headed by their week numbers as the page counts them,
// the date marked. Returns false, with nothing to keep, when the page
// shows no date.
bool draw_quindle_figure(FILE *out, const DayAnswer &answer);

// The page's fragment for |request|, then its figure.
int quindle_site_page(FILE *out, const FrameRequest &request);

extern const FormDef kQuindleForm;

#endif  // CGI_BIN_QUINDLE_QUINDLE_SITE_H
