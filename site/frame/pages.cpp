// The site's pages, in the order the index and the tests take them. Each
// page describes itself (its folder's <name>_site.h); adding one is adding
// its row here.
#include "cgi-bin/across/across_site.h"
#include "cgi-bin/bolvey/bolvey_site.h"
#include "cgi-bin/circles/circles_site.h"
#include "cgi-bin/kestrum/kestrum_site.h"
#include "cgi-bin/quindle/quindle_site.h"
#include "cgi-bin/roots/roots_site.h"
#include "site/frame/frame.h"

const PageDef *const kSitePages[] = {
    &kKestrumPage, &kBolveyPage,  &kRootsPage,   &kAcrossPage,
    &kAcrossEarlierPage, &kCirclesPage, &kQuindlePage, &kAcrossSourcePage,
};
const std::size_t kSitePageCount = sizeof kSitePages / sizeof kSitePages[0];
