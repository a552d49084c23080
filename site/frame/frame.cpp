#include "site/frame/frame.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "formlib/formlib.h"
#include "site/frame/memory_stream.h"

#ifndef SITE_FORM_ACTIONS
#error "the build names the outside form actions the guest book's footer may post to"
#endif

// Only the site's own files, plus the one inline snippet of the programs'
// fragments the site keeps, allowed by its hash: the roots page's
// style="text-decoration:overline". The guest book's
// OnFocus="this.blur();" is not allowed: it would throw a keyboard user out
// of the box of previous words. The guest book's footer also holds a
// search form that posts to the outside search site.
#define SITE_SECURITY_POLICY                                                                 \
  "default-src 'none'; "                                                                     \
  "script-src 'self'; "                                                                      \
  "style-src 'self' 'unsafe-hashes' 'sha256-IkhVqfutmjk6tSWVis0WZISpKNemSHKOr7a78BDQUA8='; " \
  "img-src 'self'; form-action 'self' " SITE_FORM_ACTIONS                                    \
  "; "                                                                                       \
  "base-uri 'none'; frame-ancestors 'none'"
const char kSecurityPolicy[] = SITE_SECURITY_POLICY;

namespace {

#define SITE_STRING(x) SITE_STRING_OF(x)
#define SITE_STRING_OF(x) #x

// Every status the site answers with, and what its document says: the one
// list from which the error documents, the build's list of them and the
// web servers' error pages are made (write_error_statuses).
struct Status {
  int code;
  const char *reason;
  const char *message;  // what the error document tells the visitor
};

const Status kStatuses[] = {
    {200, "OK", ""},
    {400, "Bad Request", "The server could not understand this request."},
    {403, "Forbidden", "This address may not be read."},
    {404, "Not Found", "There is no page at this address."},
    {405, "Method Not Allowed", "This page answers only GET and HEAD requests."},
    {408, "Request Timeout", "The request took too long to arrive."},
    {411, "Length Required", "This page answers only GET and HEAD requests."},
    {413, "Content Too Large", "The request is larger than this site accepts."},
    {414, "URI Too Long",
     "The form sent more than this page can read: " SITE_STRING(FORMLIB_FORM_MAX) " bytes at most."},
    {416, "Range Not Satisfiable", "The requested part lies beyond the end of the file."},
    {417, "Expectation Failed", "This site cannot meet the request's expectation."},
    {429, "Too Many Requests", "Too many requests came from this address; please wait a moment."},
    {431, "Request Header Fields Too Large",
     "The request's address or headers are longer than this site accepts."},
    {500, "Internal Server Error", "The page could not be computed."},
    {501, "Not Implemented", "This site does not answer that kind of request."},
    {502, "Bad Gateway", "The page's program did not answer."},
    {503, "Service Unavailable", "The site is busy; please try again in a moment."},
    {504, "Gateway Timeout", "The page's program took too long to answer."},
    {505, "HTTP Version Not Supported", "This site answers HTTP/1.0 and HTTP/1.1 requests."},
};

// Room for a whole error document: its head, heading and message.
constexpr std::size_t kErrorDocumentMax = 4096;

const Status &find_status(int code) {
  for (const Status &status : kStatuses)
    if (status.code == code) return status;
  return find_status(500);
}

const char kDocumentTail[] =
    "\n</main>\n<p class=\"home\"><a href=\"/\">All tools</a></p>\n</body></html>\n";

// The document's opening, up to <main>, in pieces around its title; an
// answer's also links the figures' style sheet and the site's script.
const char kHeadBeforeTitle[] =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>";
const char kHeadAfterTitle[] = "</title><link rel=\"stylesheet\" href=\"/site.css\">";
const char kFiguresLink[] =
    "<link rel=\"stylesheet\" href=\"/figures.css\"><script src=\"/site.js\" defer></script>";
const char kHeadEnd[] =
    "</head>\n<body>\n<nav class=\"home\"><a href=\"/\">All tools</a></nav>\n<main>\n";

// The document's opening titled |title|. Returns its length; a title too
// long for |head| is cut.
int document_head(char (&head)[1024], const char *title, bool figures = true) {
  int length = std::snprintf(head, sizeof head, "%s%s%s%s%s", kHeadBeforeTitle, title,
                             kHeadAfterTitle, figures ? kFiguresLink : "", kHeadEnd);
  return std::min(length, static_cast<int>(sizeof head) - 1);
}

// The whole error document for |status|. Returns its length.
int error_document(char (&page)[kErrorDocumentMax], const Status &status) {
  char title[64];
  std::snprintf(title, sizeof title, "%d %s", status.code, status.reason);
  char head[1024];
  document_head(head, title);
  int length = std::snprintf(page, sizeof page, "%s<h1>%s</h1>\n<p class=\"error\">%s</p>\n%s",
                             head, title, status.message, kDocumentTail);
  return std::min(length, static_cast<int>(sizeof page) - 1);
}

// The fragment's and the figure's memory streams, made once and emptied
// for each request.
MemoryStream fragment_stream;
MemoryStream figure_stream;

// What every response carries after Content-Length, up to the value of
// Cache-Control, and that value for a cacheable answer and for another.
const char kCommonHeaders[] =
    "X-Content-Type-Options: nosniff\r\nReferrer-Policy: same-origin\r\n"
    "Content-Security-Policy: " SITE_SECURITY_POLICY "\r\nCache-Control: ";
const char kCacheable[] = "public, max-age=3600\r\n\r\n";
const char kNotCacheable[] = "no-store\r\n\r\n";

// The headers every response carries, then the blank line. |length| < 0
// leaves out Content-Length (a HEAD answer, which runs no page); a
// |retry_after| above 0 is sent as Retry-After.
void write_headers(FILE *out, const Status &status, bool cacheable, long length,
                   int retry_after = 0) {
  std::fprintf(out, "Status: %d %s\r\nContent-Type: text/html; charset=utf-8\r\n", status.code,
               status.reason);
  if (length >= 0) std::fprintf(out, "Content-Length: %ld\r\n", length);
  if (status.code == 405) std::fputs("Allow: GET, HEAD\r\n", out);
  if (retry_after > 0) std::fprintf(out, "Retry-After: %d\r\n", retry_after);
  std::fwrite(kCommonHeaders, 1, sizeof kCommonHeaders - 1, out);
  std::fputs(cacheable ? kCacheable : kNotCacheable, out);
}

void write_error_response(FILE *out, int code, bool head) {
  const Status &status = find_status(code);
  char page[kErrorDocumentMax];
  int length = error_document(page, status);
  write_headers(out, status, false, head ? -1 : length);
  if (!head) std::fwrite(page, 1, static_cast<std::size_t>(length), out);
}

// Whether |path| (|length| bytes) is |prefix|, a page's name, then |suffix|;
// the name is left in |name|.
bool split_path(const char *path, std::size_t length, const char *prefix, const char *suffix,
                const char **name, std::size_t *name_length) {
  const std::size_t prefix_length = std::strlen(prefix), suffix_length = std::strlen(suffix);
  if (length <= prefix_length + suffix_length || std::strncmp(path, prefix, prefix_length) != 0 ||
      std::strncmp(path + length - suffix_length, suffix, suffix_length) != 0)
    return false;
  *name = path + prefix_length;
  *name_length = length - prefix_length - suffix_length;
  return true;
}

// The zone of the request becomes the process's; an unset TZ is the
// system's default zone. The zone is loaded again only when it changed: a
// CGI process, whose zone is its environment's, never reloads it, and a
// page that reads no date never loads it at all.
void use_time_zone(const char *tz) {
  const char *current = std::getenv("TZ");
  if (tz != nullptr) {
    if (current != nullptr && std::strcmp(current, tz) == 0) return;
    setenv("TZ", tz, 1);
  } else {
    if (current == nullptr) return;
    unsetenv("TZ");
  }
  tzset();
}

// Whether |page| will refuse this query for its length: a HEAD request
// knows without running the page.
bool too_long(const PageDef &page, const FrameRequest &request) {
  return page.refuses_long_query && request.query != nullptr &&
         std::strlen(request.query) > kFormMax;
}

// Whether |query| leaves every text field of |form| empty: it asks nothing
// the page could answer.
bool asks_nothing(const FormDef &form, const char *query) {
  if (query == nullptr) return true;
  char value[256];
  for (std::size_t i = 0; i < form.count; ++i)
    if (form.fields[i].kind == FieldKind::kText && get_var(value, form.fields[i].name, query) > 0)
      return false;
  return true;
}

// For a query that asks nothing: the form's heading and introduction, a
// prompt, and the form with whatever the query did choose.
void write_prompt(FILE *out, const PageDef &page, const char *query) {
  std::fprintf(out, "<h1>%s</h1>\n%s", page.title, page.form->intro);
  std::fputs("<p class=\"prompt\">Fill in the form to get an answer.</p>\n", out);
  write_form(out, page.name, *page.form, query);
}

// The form after an answer, to ask again: filled in with what was asked,
// except where an answer changes data (the guest book), whose field is for
// the next word.
void write_form_again(FILE *out, const PageDef &page, const char *query) {
  std::fprintf(out,
               "\n<section class=\"again\" aria-labelledby=\"again\">\n<h2 id=\"again\">%s</h2>\n",
               page.changes_data ? "Leave another word" : "Ask again");
  write_form(out, page.name, *page.form, page.changes_data ? nullptr : query);
  std::fputs("</section>", out);
}

// The site's setting |text|: a decimal number from 0 to |max|, else (unset,
// or anything else) |fallback|.
long long setting(const char *text, long long fallback, long long max) {
  if (text == nullptr || *text < '0' || *text > '9') return fallback;
  char *end;
  errno = 0;
  long long value = std::strtoll(text, &end, 10);
  return errno == 0 && *end == '\0' && value <= max ? value : fallback;
}

// Runs |page| for |request|: its fragment into |out|, then its figure,
// drawn into memory first so that one failing half-way is left out whole.
// Returns the page's result, kPageNoFigure read as kPageDone.
int run_page_function(const PageDef &page, const FrameRequest &request, FILE *out,
                      int &retry_after) {
  const PageRequest asked = {
      .query = request.query,
      .remote_addr = request.remote_addr,
      .numeric_locale = numeric_locale_name(request),
      .now = request.now,
      .flood_seconds = static_cast<int>(setting(request.flood_seconds, 15, 86400)),
      .log_max_bytes = setting(request.log_max_bytes, 4 << 20, 1LL << 50),
      .retry_after = &retry_after,
  };
  FILE *figure = start_memory_stream(&figure_stream);
  int result = page.page(asked, out, figure);
  const bool drawn = figure != nullptr && finish_memory_stream(&figure_stream);
  if (result == kPageDone && drawn) std::fwrite(figure_stream.data, 1, figure_stream.size, out);
  return result == kPageNoFigure ? kPageDone : result;
}

// Writes into |body| what the document holds between <main> and its tail:
// for a query that fills none of the page's form, the form under a prompt;
// else the title as the heading when the fragment has none, the fragment
// (its picture follows its answer) and the form again. Returns the status.
int run_page(const PageDef &page, const FrameRequest &request, MemoryStream &body,
             int &retry_after) {
  FILE *out = start_memory_stream(&body);
  if (out == nullptr) return 500;
  int result = kPageDone;
  if (page.form != nullptr && !too_long(page, request) && asks_nothing(*page.form, request.query)) {
    write_prompt(out, page, request.query);
  } else {
    if (page.adds_heading) std::fprintf(out, "<h1>%s</h1>\n", page.title);
    use_time_zone(request.tz);
    result = run_page_function(page, request, out, retry_after);
    std::setlocale(LC_ALL, "C");
    if ((result == kPageDone || result == kPageTooFast) && page.form != nullptr)
      write_form_again(out, page, request.query);
  }
  if (!finish_memory_stream(&body)) return 500;
  switch (result) {
    case kPageDone:
      return 200;
    case kPageTooFast:
      return 429;
    case kPageFull:
      return 503;
    case kPageTooLong:
      return 414;
    case kPageNotFound:
      return 404;
    default:
      return 500;
  }
}

void serve_page(FILE *out, const PageDef &page, const FrameRequest &request, bool head) {
  bool cacheable = !page.changes_data;
  if (head) {
    if (too_long(page, request)) return write_error_response(out, 414, true);
    return write_headers(out, find_status(200), cacheable, -1);
  }
  MemoryStream &fragment = fragment_stream;
  // A page that took no word tells why in its own fragment.
  int retry_after = 0;
  int code = run_page(page, request, fragment, retry_after);
  bool framed = code == 200 || code == 429 || code == 503;
  if (!framed) return write_error_response(out, code, false);
  char head_text[1024];
  const int head_length = document_head(head_text, page.title);
  write_headers(out, find_status(code), cacheable && code == 200,
                static_cast<long>(head_length + fragment.size + sizeof kDocumentTail - 1),
                code == 429 ? retry_after : 0);
  std::fwrite(head_text, 1, static_cast<std::size_t>(head_length), out);
  std::fwrite(fragment.data, 1, fragment.size, out);
  std::fputs(kDocumentTail, out);
}

}  // namespace

const PageDef *find_page(const char *name, const PageDef *const *pages, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(name, pages[i]->name) == 0) return pages[i];
  return nullptr;
}

const PageDef *page_for(const FrameRequest &request, const PageDef *const *pages,
                        std::size_t count) {
  const char *source = request.uri != nullptr ? request.uri : request.path_info;
  if (source == nullptr) return nullptr;
  const char *name;
  std::size_t length;
  bool named = request.uri != nullptr
                   ? split_path(source, std::strcspn(source, "?"), "/cgi-bin/", ".pl", &name, &length)
                   : split_path(source, std::strlen(source), "/", "", &name, &length);
  if (!named) return nullptr;
  for (std::size_t i = 0; i < count; ++i)
    if (std::strncmp(name, pages[i]->name, length) == 0 && pages[i]->name[length] == '\0')
      return pages[i];
  return nullptr;
}

void serve_request(FILE *out, const FrameRequest &request, const PageDef *const *pages,
                   std::size_t count) {
  serve_routed(out, request, page_for(request, pages, count));
}

void serve_routed(FILE *out, const FrameRequest &request, const PageDef *page) {
  const char *method = request.method != nullptr ? request.method : "GET";
  bool head = std::strcmp(method, "HEAD") == 0;
  if (!head && std::strcmp(method, "GET") != 0) return write_error_response(out, 405, false);
  if (page == nullptr) return write_error_response(out, 404, head);
  serve_page(out, *page, request, head);
}

void serve_error(FILE *out, const FrameRequest &request, int status) {
  write_error_response(out, status,
                       request.method != nullptr && std::strcmp(request.method, "HEAD") == 0);
}

void write_error_document(FILE *out, int status) {
  char page[kErrorDocumentMax];
  error_document(page, find_status(status));
  std::fputs(page, out);
}

void write_error_statuses(FILE *out) {
  for (const Status &status : kStatuses)
    if (status.code >= 400) std::fprintf(out, "%d\n", status.code);
}

void write_form_page(FILE *out, const PageDef &page) {
  const FormDef &form = *page.form;
  char head[1024];
  document_head(head, page.title, false);
  std::fprintf(out, "%s<h1>%s</h1>\n%s", head, page.title, form.intro);
  write_form(out, page.name, form, nullptr);
  std::fputs(kDocumentTail + 1, out);
}

FrameRequest read_request(Lookup lookup, void *context) {
  FrameRequest request;
  request.method = lookup("REQUEST_METHOD", context);
  request.uri = lookup("REQUEST_URI", context);
  request.path_info = lookup("PATH_INFO", context);
  request.query = lookup("QUERY_STRING", context);
  request.remote_addr = lookup("REMOTE_ADDR", context);
  request.tz = lookup("TZ", context);
  request.lc_all = lookup("LC_ALL", context);
  request.lc_numeric = lookup("LC_NUMERIC", context);
  request.lang = lookup("LANG", context);
  request.flood_seconds = lookup("SITE_FLOOD_SECONDS", context);
  request.log_max_bytes = lookup("SITE_LOG_MAX_BYTES", context);
  request.now = std::time(nullptr);
  return request;
}

const char *numeric_locale_name(const FrameRequest &request) {
  for (const char *value : {request.lc_all, request.lc_numeric, request.lang})
    if (value != nullptr && value[0] != '\0') return value;
  return "C";
}
