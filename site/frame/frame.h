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
  std::time_t now;          // when the request arrived
};

// What a page function returns: its fragment is the answer, the query is
// too long to answer (the dates pages' status 1), or there is nothing at
// this address. Anything else is a failure, served as 500.
enum PageResult { kPageDone = 0, kPageTooLong = 1, kPageNotFound = 2 };

// A page the frame serves: |page| writes the fragment for |request| and
// returns a PageResult.
struct FramePage {
  const char *name;   // the address is /cgi-bin/<name>.pl
  const char *title;  // the document's title
  int (*page)(FILE *out, const FrameRequest &request);
  bool changes_data;        // answers are never cached
  bool has_figure;          // a picture of the answer follows the fragment
  bool refuses_long_query;  // a query over 2047 bytes gets kPageTooLong
};

// The site's pages: the seven programs and the guest book's source.
extern const FramePage kSitePages[];
extern const std::size_t kSitePageCount;

// Writes the whole response to |request| on |out|: "Status:" and the other
// headers, a blank line, then (except for HEAD) the document. Uses |pages|
// to find the program. Only GET and HEAD are served; HEAD runs no page.
// Sets the process's time zone to the request's and leaves the locale "C"
// afterwards, so nothing of one request reaches the next.
void serve_request(FILE *out, const FrameRequest &request, const FramePage *pages,
                   std::size_t count);

// A memory stream kept from one request to the next and emptied at the
// start of each answer, so a FastCGI worker allocates nothing for an answer
// once the stream has grown to fit. One grown past kMemoryStreamKept bytes
// (a long guest-book listing) is given back at the next start.
struct MemoryStream {
  char *data = nullptr;
  std::size_t size = 0;
  FILE *stream = nullptr;
};
inline constexpr std::size_t kMemoryStreamKept = std::size_t{1} << 20;

// Empties |memory| for a new answer and returns its stream; null when
// memory ran out.
FILE *start_memory_stream(MemoryStream *memory);

// Makes |memory|'s data and size what was written since the start (valid
// until the next start). False when a write failed.
bool finish_memory_stream(MemoryStream *memory);

// The Content-Security-Policy every page of the site is sent with; the web
// server sends the same with the static pages.
extern const char kSecurityPolicy[];

// Writes the site's error document for |status| (400, 403, 404, 405, 408,
// 411, 413, 414, 500, 501, 502, 503 or 504; any other is served as 500),
// without headers: the page a web server shows for its own errors.
void write_error_document(FILE *out, int status);

#endif  // SITE_FRAME_FRAME_H
