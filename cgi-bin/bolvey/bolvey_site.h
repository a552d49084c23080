// The bolvey page on the site (its locale, then the answer and its picture) and its form.
#ifndef CGI_BIN_BOLVEY_BOLVEY_SITE_H
#define CGI_BIN_BOLVEY_BOLVEY_SITE_H

#include <cstdio>

#include "cgi-bin/bolvey/bolvey.h"
#include "site/unit/unit.h"

// The page's fragment for |request|, then its figure.
int bolvey_site_page(FILE *out, const FrameRequest &request);

extern const FormDef kBolveyForm;

#endif  // CGI_BIN_BOLVEY_BOLVEY_SITE_H
