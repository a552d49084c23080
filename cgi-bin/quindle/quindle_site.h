// The quindle page on the site: its answer with the picture of it, its form.
#ifndef CGI_BIN_QUINDLE_QUINDLE_SITE_H
#define CGI_BIN_QUINDLE_QUINDLE_SITE_H

#include <cstdio>

#include "site/unit/unit.h"

// The page's fragment for |request|, then its figure.
int quindle_site_page(FILE *out, const FrameRequest &request);

extern const FormDef kQuindleForm;

#endif  // CGI_BIN_QUINDLE_QUINDLE_SITE_H
