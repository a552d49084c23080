// What the site adds to the circles program: the picture of an answer, the form.
#ifndef CGI_BIN_CIRCLES_CIRCLES_SITE_H
#define CGI_BIN_CIRCLES_CIRCLES_SITE_H

#include <cstdio>

#include "cgi-bin/circles/circles.h"
#include "page/page.h"

// Draws |answer|: the circle to scale with the length entered as a line,
// and its measures. Returns false, with nothing to keep, when there is no
// circle to draw (the fraction error, a length too large or too small).
bool draw_circle_figure(FILE *out, const CircleAnswer &answer);

// The page's row of the site: the answer, then its picture.
extern const PageDef kCirclesPage;

#endif  // CGI_BIN_CIRCLES_CIRCLES_SITE_H
