// The guest book on the site: both editions' pages with their forms, and
// the page that shows the guest book's own sources.
#ifndef CGI_BIN_ACROSS_ACROSS_SITE_H
#define CGI_BIN_ACROSS_ACROSS_SITE_H

#include "page/page.h"

extern const PageDef kAcrossPage;
extern const PageDef kAcrossEarlierPage;
// /cgi-bin/source.pl?s=../sources/across, and no other value of "s".
extern const PageDef kAcrossSourcePage;

#endif  // CGI_BIN_ACROSS_ACROSS_SITE_H
