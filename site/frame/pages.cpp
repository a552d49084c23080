// The site's pages, one row each: a calculator's row names its page:
// unit_page over its program's compute and write and its figure
// (cgi-bin/<name>/<name>_site.h), or the unit's own page function where the
// request sets a locale first. Each answers exactly as the
// program's own main does (the same locale, the same variables), so the
// fragment's bytes are the program's bytes; the picture of the answer
// follows it.
#include <algorithm>
#include <cstring>
#include <iterator>

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

// The guest book's forms. The current edition keeps a word's letters,
// digits and hyphens, and its spaces (sent as '+'), each one byte of the
// 64 it reads; any other character arrives as a three-byte '%' escape or
// becomes '.', so the form asks for exactly those four kinds. The earlier
// edition keeps whatever is sent, up to its 255-byte field.
const FormField kAcrossFields[] = {
    text_field("r", "Your word",
               "letters, digits, hyphens and spaces, up to 64 characters, e.g. Hello world",
               "[A-Za-z0-9 \\-]+", "letters, digits, hyphens and spaces", true, 40, 64),
};
const FormDef kAcrossForm = {
    "Guest words",
    "<p>Leave a word: the guest book shows it turned row by row and lists the words of earlier "
    "visitors. Punctuation and foul language are refused.</p>\n"
    "<p>The <a href=\"/cgi-bin/across-earlier.pl\">earlier edition</a> of the guest book is kept "
    "as well.</p>\n",
    kAcrossFields,
    std::size(kAcrossFields),
    "r=Hello+world",
    "Guest words",
    ": leave a word, see it turned around, and read the words of earlier visitors",
};

const FormField kAcrossEarlierFields[] = {
    text_field("r", "Your word",
               "any text up to 255 characters; &lt; and &gt; are shown as ( and ), e.g. Hello",
               nullptr, nullptr, true, 40, 255),
};
const FormDef kAcrossEarlierForm = {
    "Guest words (earlier edition)",
    "<p>The guest book's earlier edition: it shows your word turned row by row and lists the "
    "words of earlier visitors.</p>\n",
    kAcrossEarlierFields,
    std::size(kAcrossEarlierFields),
    "r=Hello",
};

}  // namespace

// name, title, page, form, changes data, refuses a query over kQueryMax
// bytes, adds a heading
const FramePage kSitePages[] = {
    {"kestrum", "Dates and Mileage", kestrum_site_page, &kKestrumForm, false, true},
    {"bolvey", "Dates and Mileage", bolvey_site_page, &kBolveyForm, false, true},
    {"roots", "Roots of complex numbers",
     unit_page<RootsAnswer, answerRoots, writeRoots, draw_roots_figure>, &kRootsForm, false, false},
    {"across", "Guest words", across, &kAcrossForm, true, false, true},
    {"across-earlier", "Guest words", across_earlier, &kAcrossEarlierForm, true, false, true},
    {"circles", "Circles", unit_page<CircleAnswer, answerCircle, writeCircle, draw_circle_figure>,
     &kCirclesForm, false, false, true},
    {"quindle", "Day of the Year", unit_page<DayAnswer, answerDay, writeDay, draw_quindle_figure>,
     &kQuindleForm, false, false},
    {"source", "Source of the guest book", source, nullptr, false, false},
};
const std::size_t kSitePageCount = sizeof kSitePages / sizeof kSitePages[0];
