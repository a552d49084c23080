// What the site adds to the roots program: the picture of an answer, the form.
#ifndef CGI_BIN_ROOTS_ROOTS_SITE_H
#define CGI_BIN_ROOTS_ROOTS_SITE_H

#include <cstdio>

#include "cgi-bin/roots/roots.h"
#include "site/unit/unit.h"

// Draws |answer|: the roots on their circle in the complex plane, with the
// number, or why nothing can be drawn. Returns false when the figure could
// not be made; what was written then is to be thrown away.
bool draw_roots_figure(FILE *out, const RootsAnswer &answer);

extern const FormDef kRootsForm;

#endif  // CGI_BIN_ROOTS_ROOTS_SITE_H
