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

#include "site/unit/unit.h"

// The site's pages, one row each (pages.cpp): the calculators, the guest
// book in both editions and the guest book's source.
extern const FramePage kSitePages[];
extern const std::size_t kSitePageCount;

// The row of |pages| named |name|, or null.
const FramePage *find_page(const char *name, const FramePage *pages, std::size_t count);

// Writes the whole response to |request| on |out|: "Status:" and the other
// headers, a blank line, then (except for HEAD) the document. Uses |pages|
// to find the program. Only GET and HEAD are served; HEAD runs no page.
// Sets the process's time zone to the request's and leaves the locale "C"
// afterwards, so nothing of one request reaches the next.
void serve_request(FILE *out, const FrameRequest &request, const FramePage *pages,
                   std::size_t count);

// The Content-Security-Policy every page of the site is sent with; the web
// server sends the same with the static pages.
extern const char kSecurityPolicy[];

// Writes the site's error document for |status| (400, 403, 404, 405, 408,
// 411, 413, 414, 416, 417, 431, 500, 501, 502, 503, 504 or 505; any other
// is served as 500),
// without headers: the page a web server shows for its own errors.
void write_error_document(FILE *out, int status);

// Writes the form page of |page| (whose form must not be null), a whole
// document of the site: its heading, what it says and its empty form.
void write_form_page(FILE *out, const FramePage &page);

#endif  // SITE_FRAME_FRAME_H
