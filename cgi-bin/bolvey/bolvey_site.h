// The bolvey page on the site (its locale, then the answer and its picture) and its form.
#ifndef CGI_BIN_BOLVEY_BOLVEY_SITE_H
#define CGI_BIN_BOLVEY_BOLVEY_SITE_H

#include "cgi-bin/bolvey/bolvey.h"
#include "page/page.h"

// The page's row of the site: its locale, then the answer and its picture.
extern const PageDef kBolveyPage;

#endif  // CGI_BIN_BOLVEY_BOLVEY_SITE_H
