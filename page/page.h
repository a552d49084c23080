// What a page of the site is, as the page itself says: the request it
// answers, what it returns, and the row it describes itself with (its
// address, title, page function, form and what the site must know of it).
// The frame (site/frame/) lists the rows and serves them; the page never
// knows which transport carries it.
#ifndef PAGE_PAGE_H
#define PAGE_PAGE_H

#include <cstdio>
#include <ctime>

#include "page/form.h"

// What a page reads of one request. Null means the variable is not set.
struct PageRequest {
  const char *query;        // QUERY_STRING
  const char *remote_addr;  // REMOTE_ADDR
  // The numeric locale a CGI process would take from its environment with
  // setlocale(LC_NUMERIC, ""): never null, "C" when nothing names one.
  const char *numeric_locale;
  std::time_t now;  // when the request arrived
  // The site's limits on the guest book, 0 turning either off: one word an
  // address every |flood_seconds|, each log at most |log_max_bytes|.
  int flood_seconds = 0;
  long long log_max_bytes = 0;
  // Where a page that answers kPageTooFast puts the seconds to wait.
  int *retry_after = nullptr;
};

// What a page function returns. The fragment is the answer and its figure
// follows it (kPageDone), the fragment is the answer and whatever the
// figure stream holds is to be left out (kPageNoFigure), the query is too
// long to answer (the dates pages' status 1), or there is nothing at this
// address; or the fragment says why the guest book took no word: the
// address writes too fast (429, with the seconds in *retry_after), or the
// guest book is full (503). Anything else is a failure, served as 500.
enum PageResult {
  kPageDone = 0,
  kPageTooLong = 1,
  kPageNotFound = 2,
  kPageNoFigure = 3,
  kPageTooFast = 4,
  kPageFull = 5
};

// Writes the fragment for |request| to |out| and the picture of its answer
// to |figure| (null: no picture is wanted). Returns a PageResult.
using PageFunction = int(const PageRequest &request, FILE *out, FILE *figure);

// A page as it describes itself to the site.
struct PageDef {
  const char *name;   // the address is /cgi-bin/<name>.pl
  const char *title;  // the title and heading of its answers and of its form page
  PageFunction *page;
  const FormDef *form = nullptr;    // generated as htdocs/<name>.html; null: none
  bool changes_data = false;        // answers are never cached
  bool refuses_long_query = false;  // a query over kFormMax bytes gets kPageTooLong
  bool adds_heading = false;        // the fragment has no <h1>: the frame writes the title
};

#endif  // PAGE_PAGE_H
