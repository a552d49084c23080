// The site's frame: serves /cgi-bin/<program>.pl for every CGI program by
// calling the program's page function in-process and putting its HTML
// fragment, byte for byte, inside the site's HTML5 document. One request
// in, one complete CGI response (status, headers, body) out; the transport
// (plain CGI or FastCGI, main.cpp) only says where the request's variables
// come from and where the response goes.
#ifndef SITE_FRAME_FRAME_H
#define SITE_FRAME_FRAME_H

#include <cstddef>
#include <cstdio>
#include <ctime>

#include "page/page.h"

// The variables of one request, as the server passes them. Null means the
// variable is not set.
struct FrameRequest {
  const char *method;       // REQUEST_METHOD
  const char *uri;          // REQUEST_URI: the address as the client sent it
  const char *path_info;    // PATH_INFO: "/<program>" when the server rewrote the address
  const char *query;        // QUERY_STRING
  const char *remote_addr;  // REMOTE_ADDR
  const char *tz;           // TZ: the zone dates are read in
  const char *lc_all;       // LC_ALL, LC_NUMERIC, LANG: the numeric locale,
  const char *lc_numeric;   //   in that order of precedence, of the compact
  const char *lang;         //   dates page
  // SITE_FLOOD_SECONDS and SITE_LOG_MAX_BYTES: the guest book's limits on
  // the site (null: the defaults)
  const char *flood_seconds;
  const char *log_max_bytes;
  std::time_t now;  // when the request arrived
};

// Where a request's variables come from: the environment (CGI) or the
// FastCGI request's parameters. Null for a variable that is not set.
using Lookup = const char *(*)(const char *name, void *context);

// The request whose variables |lookup| gives, arrived now.
FrameRequest read_request(Lookup lookup, void *context);

// The site's pages, one row each (pages.cpp): the calculators, the guest
// book in both editions and the guest book's source.
extern const PageDef *const kSitePages[];
extern const std::size_t kSitePageCount;

// The row of |pages| named |name|, or null.
const PageDef *find_page(const char *name, const PageDef *const *pages, std::size_t count);

// The numeric locale a CGI process of |request| would get from
// setlocale(LC_NUMERIC, ""): the first non-empty of LC_ALL, LC_NUMERIC and
// LANG, else "C". An empty variable is skipped, never taken as a name.
const char *numeric_locale_name(const FrameRequest &request);

// The row of |pages| that |request|'s address names: "/cgi-bin/<name>.pl"
// exactly as the client sent it, or PATH_INFO "/<name>" when the server
// gives no address. An escape in the address never names a page, so every
// server and the frame agree on which page an address is. Null for any
// other address.
const PageDef *page_for(const FrameRequest &request, const PageDef *const *pages,
                        std::size_t count);

// Writes the whole response to |request| on |out|: "Status:" and the other
// headers, a blank line, then (except for HEAD) the document. Uses |pages|
// to find the program. Only GET and HEAD are served; HEAD runs no page.
// Sets the process's time zone to the request's and leaves the locale "C"
// afterwards, so nothing of one request reaches the next.
void serve_request(FILE *out, const FrameRequest &request, const PageDef *const *pages,
                   std::size_t count);

// serve_request for a request already routed: |page| is page_for's row
// for it, or null.
void serve_routed(FILE *out, const FrameRequest &request, const PageDef *page);

// Writes the site's error response for |status| to |request|: the headers
// every answer carries and, except for HEAD, the error document.
void serve_error(FILE *out, const FrameRequest &request, int status);

// The Content-Security-Policy every page of the site is sent with; the web
// server sends the same with the static pages.
extern const char kSecurityPolicy[];

// Writes the site's error document for |status| (one of those
// write_error_statuses lists; any other is served as 500), without
// headers: the page a web server shows for its own errors.
void write_error_document(FILE *out, int status);

// Writes each error status the site has a document for, one a line.
void write_error_statuses(FILE *out);

// Writes the form page of |page| (whose form must not be null), a whole
// document of the site: its heading, what it says and its empty form.
void write_form_page(FILE *out, const PageDef &page);

#endif  // SITE_FRAME_FRAME_H
