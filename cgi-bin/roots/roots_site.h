// What the site adds to the roots program: the picture of an answer, the form.
#ifndef CGI_BIN_ROOTS_ROOTS_SITE_H
#define CGI_BIN_ROOTS_ROOTS_SITE_H

#include <cstdio>

#include "cgi-bin/roots/roots.h"
#include "page/page.h"

// Draws |answer|: the roots on their circle in the complex plane, with the
// number, or why nothing can be drawn. Returns false when the figure could
// not be made; what was written then is to be thrown away.
bool draw_roots_figure(FILE *out, const RootsAnswer &answer);

// The page's row of the site: the answer, then its picture.
extern const PageDef kRootsPage;

#endif  // CGI_BIN_ROOTS_ROOTS_SITE_H
