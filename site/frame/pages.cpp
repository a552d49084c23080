// The site's pages, one row each: a calculator's row names its unit's page
// function (cgi-bin/<name>/<name>_site.h), which answers exactly as the
// program's own main does (the same locale, the same variables), so the
// fragment's bytes are the program's bytes; the picture of the answer
// follows it.
#include <algorithm>
#include <cstring>

#include "cgi-bin/across/across.h"
#include "cgi-bin/bolvey/bolvey_site.h"
#include "cgi-bin/circles/circles_site.h"
#include "cgi-bin/kestrum/kestrum_site.h"
#include "cgi-bin/quindle/quindle_site.h"
#include "cgi-bin/roots/roots_site.h"
#include "formlib/formlib.h"
#include "site/frame/frame.h"
#include "site/frame/sources.h"

namespace {

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
  char form[kQueryMax + 1];
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
    std::fprintf(out, "<h2 id=\"f%zu\">%s</h2>\n<pre><code>", i, file.name);
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

// name, title, page, form, changes data, refuses a query over kQueryMax bytes
const FramePage kSitePages[] = {
    {"kestrum", "Dates and Mileage", kestrum_site_page, &kKestrumForm, false, true},
    {"bolvey", "Dates and Mileage", bolvey_site_page, &kBolveyForm, false, true},
    {"roots", "Roots of complex numbers", roots_site_page, &kRootsForm, false, false},
    {"across", "Guest words", across, nullptr, true, false},
    {"across-earlier", "Guest words", across_earlier, nullptr, true, false},
    {"circles", "Circles", circles_site_page, &kCirclesForm, false, false},
    {"quindle", "Day of the Year", quindle_site_page, &kQuindleForm, false, false},
    {"source", "Source of the guest book", source, nullptr, false, false},
};
const std::size_t kSitePageCount = sizeof kSitePages / sizeof kSitePages[0];
