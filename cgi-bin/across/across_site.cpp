#include "cgi-bin/across/across_site.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "cgi-bin/across/across.h"
#include "cgi-bin/across/sources.h"
#include "formlib/formlib.h"

namespace {

// The guest book under the site's limits, which the frame reads from the
// site's settings.
int limited_across(const PageRequest &request, FILE *out, Edition edition) {
  const WordLimits limits = {.flood_seconds = request.flood_seconds,
                             .log_max_bytes = request.log_max_bytes};
  int wait = 0;
  WordAnswer answer = across_limited_page(out, request.query, request.remote_addr, request.now,
                                          edition, limits, wait);
  if (request.retry_after != nullptr) *request.retry_after = wait;
  return answer == WordAnswer::kTooFast ? kPageTooFast
         : answer == WordAnswer::kFull  ? kPageFull
                                        : kPageDone;
}

int across(const PageRequest &request, FILE *out, FILE *) {
  return limited_across(request, out, Edition::kCurrent);
}

int across_earlier(const PageRequest &request, FILE *out, FILE *) {
  return limited_across(request, out, Edition::kEarlier);
}

// The guest book's own source files, HTML-escaped. Only the one name the
// guest book links to is served; every other value of "s" is not found,
// so no file can be named through this page.
int source(const PageRequest &request, FILE *out, FILE *) {
  char form[kFormMax + 1];
  copy_form(form, request.query);
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
    "<p>Leave a word: the guest book shows it turned row by row and lists the words of earlier "
    "visitors. Punctuation and foul language are refused.</p>\n"
    "<p>The <a href=\"/cgi-bin/across-earlier.pl\">earlier edition</a> of the guest book is kept "
    "as well.</p>\n",
    kAcrossFields,
    std::size(kAcrossFields),
    "r=Hello+world",
    ": leave a word, see it turned around, and read the words of earlier visitors",
};

const FormField kAcrossEarlierFields[] = {
    text_field("r", "Your word",
               "any text up to 255 characters; &lt; and &gt; are shown as ( and ), e.g. Hello",
               nullptr, nullptr, true, 40, 255),
};
const FormDef kAcrossEarlierForm = {
    "<p>The guest book's earlier edition: it shows your word turned row by row and lists the "
    "words of earlier visitors.</p>\n",
    kAcrossEarlierFields,
    std::size(kAcrossEarlierFields),
    "r=Hello",
};

}  // namespace

const PageDef kAcrossPage = {
    .name = "across",
    .title = "Guest words",
    .page = across,
    .form = &kAcrossForm,
    .changes_data = true,
    .adds_heading = true,
};

const PageDef kAcrossEarlierPage = {
    .name = "across-earlier",
    .title = "Guest words (earlier edition)",
    .page = across_earlier,
    .form = &kAcrossEarlierForm,
    .changes_data = true,
    .adds_heading = true,
};

const PageDef kAcrossSourcePage = {
    .name = "source",
    .title = "Source of the guest book",
    .page = source,
};
