// The site's pages: each row calls a program's page function exactly as
// the program's own main does (the same locale, the same variables), so
// the fragment's bytes are the program's bytes.
#include <algorithm>
#include <clocale>
#include <cstring>

#include "cgi-bin/across/across.h"
#include "cgi-bin/bolvey/bolvey.h"
#include "cgi-bin/circles/circles.h"
#include "cgi-bin/kestrum/kestrum.h"
#include "cgi-bin/quindle/quindle.h"
#include "cgi-bin/roots/roots.h"
#include "formlib/formlib.h"
#include "site/frame/frame.h"
#include "site/frame/sources.h"

namespace {

int kestrum(FILE *out, const FrameRequest &request) {
  std::setlocale(LC_ALL, "en_US.UTF-8");
  return kestrum_page(out, request.query);
}

// The compact page takes its numeric locale from the request's variables,
// as setlocale(LC_NUMERIC, "") takes it from a CGI process's environment.
int bolvey(FILE *out, const FrameRequest &request) {
  const char *name = "C";
  for (const char *value : {request.lc_all, request.lc_numeric, request.lang}) {
    if (value != nullptr && value[0] != '\0') {
      name = value;
      break;
    }
  }
  std::setlocale(LC_NUMERIC, name);
  return bolvey_page(out, request.query);
}

int roots(FILE *out, const FrameRequest &request) { return roots_page(out, request.query); }

int circles(FILE *out, const FrameRequest &request) { return circles_page(out, request.query); }

int quindle(FILE *out, const FrameRequest &request) { return quindle_page(out, request.query); }

int across(FILE *out, const FrameRequest &request) {
  return across_page(out, request.query, request.remote_addr, request.now, Edition::kCurrent);
}

int across_earlier(FILE *out, const FrameRequest &request) {
  return across_page(out, request.query, request.remote_addr, request.now, Edition::kEarlier);
}

// The guest book's own source files, HTML-escaped. Only the one name the
// guest book links to is served; every other value of "s" is not found,
// so no file can be named through this page.
int source(FILE *out, const FrameRequest &request) {
  char form[2048];
  std::snprintf(form, sizeof form, "%s", request.query != nullptr ? request.query : "");
  char name[256];
  get_var(name, "s", form);
  // An encoded NUL would end the decoded name early and hide what follows.
  bool has_nul = std::strstr(name, "%00") != nullptr;
  plustospace(name);
  unescape_url(name);
  if (has_nul || std::strcmp(name, "../sources/across") != 0) return kPageNotFound;
  std::fputs("<h1>Source of the guest book</h1>\n<ul class=\"files\">\n", out);
  for (std::size_t i = 0; i < kAcrossSourceCount; ++i)
    std::fprintf(out, "<li><a href=\"#f%zu\">%s</a></li>\n", i, kAcrossSources[i].name);
  std::fputs("</ul>\n", out);
  for (std::size_t i = 0; i < kAcrossSourceCount; ++i) {
    const SourceFile &file = kAcrossSources[i];
    // A block scrolls sideways on its long lines: a keyboard stop, named by
    // its heading, lets the keyboard scroll it.
    std::fprintf(out,
                 "<h2 id=\"f%zu\">%s</h2>\n"
                 "<pre tabindex=\"0\" role=\"region\" aria-labelledby=\"f%zu\"><code>",
                 i, file.name, i);
    char piece[256];
    char shown[html_escaped_size(sizeof piece - 1)];
    for (std::size_t at = 0; at < file.size; at += sizeof piece - 1) {
      std::size_t length = std::min(file.size - at, sizeof piece - 1);
      std::memcpy(piece, file.text + at, length);
      piece[length] = '\0';
      std::fputs(html_escape(shown, piece), out);
    }
    std::fputs("</code></pre>\n", out);
  }
  return kPageDone;
}

}  // namespace

// name, title, page, changes data, has a figure, refuses a long query,
// adds a heading
const FramePage kSitePages[] = {
    {"kestrum", "Dates and Mileage", kestrum, false, true, true, false},
    {"bolvey", "Dates and Mileage", bolvey, false, true, true, false},
    {"roots", "Roots of complex numbers", roots, false, true, false, false},
    {"across", "Guest words", across, true, false, false, true},
    {"across-earlier", "Guest words", across_earlier, true, false, false, true},
    {"circles", "Circles", circles, false, true, false, true},
    {"quindle", "Day of the Year", quindle, false, true, false, false},
    {"source", "Source of the guest book", source, false, false, false, false},
};
const std::size_t kSitePageCount = sizeof kSitePages / sizeof kSitePages[0];
