// The kestrum page on the site (its locale, then the answer and its picture) and its form.
#ifndef CGI_BIN_KESTRUM_KESTRUM_SITE_H
#define CGI_BIN_KESTRUM_KESTRUM_SITE_H

#include <cstdio>

#include "cgi-bin/kestrum/kestrum.h"
#include "site/unit/unit.h"

// The page's fragment for |request|, then its figure.
int kestrum_site_page(FILE *out, const FrameRequest &request);

extern const FormDef kKestrumForm;

#endif  // CGI_BIN_KESTRUM_KESTRUM_SITE_H
