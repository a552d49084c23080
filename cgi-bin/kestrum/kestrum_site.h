// The kestrum page on the site (its locale, then the answer and its picture) and its form.
#ifndef CGI_BIN_KESTRUM_KESTRUM_SITE_H
#define CGI_BIN_KESTRUM_KESTRUM_SITE_H

#include "cgi-bin/kestrum/kestrum.h"
#include "page/page.h"

// The page's row of the site: its locale, then the answer and its picture.
extern const PageDef kKestrumPage;

#endif  // CGI_BIN_KESTRUM_KESTRUM_SITE_H
