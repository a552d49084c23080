// What a calculator gives the site: one function that answers a request
// (its fragment, then the picture of the same answer) and the definition
// of its form. The site's table (site/frame/pages.cpp) holds one row per
// page; routing, the generated form pages, the fuzzer's and the
// benchmark's page lists all read that row.
#ifndef SITE_UNIT_UNIT_H
#define SITE_UNIT_UNIT_H

#include <cstddef>
#include <cstdio>
#include <ctime>

#include "cgi-bin/answer_page.h"
#include "formlib/formlib.h"

// Longest query a page reads; the dates pages refuse a longer one.
inline constexpr std::size_t kQueryMax = kFormMax;

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

// One entry of a form, in the order the form shows them. Texts are the
// site's own HTML, written as they stand; nothing here comes from a visitor.
enum class FieldKind {
  kText,      // a text field with its label and hint
  kCheckbox,  // a box that sends |value| when ticked
  kChoice,    // opens a set of radio buttons named |name|, |label| its legend
  kOption,    // a radio button of the open choice: |value|, |label|
  kGroup,     // opens a row of fields; with a |label|, a fieldset with that
              // legend and |hint| as its note
  kEnd,       // closes the open choice or group
};

struct FormField {
  FieldKind kind;
  const char *name;   // the query's name of the field (kOption: unused)
  const char *label;  // the label, or a choice's or group's legend
  const char *hint;   // the hint under a text field, or a group's note; may be null
  // What the browser checks before sending a text field: the pattern (null:
  // none) and, in words, what it asks for.
  const char *pattern;
  const char *title;
  bool required;
  int size, maxlength;    // of a text field
  const char *inputmode;  // of a text field; null: none
  const char *value;      // what a checkbox or radio button sends
  bool checked;           // a radio button chosen when nothing else is
};

// The entries, spelled by what each needs.
constexpr FormField text_field(const char *name, const char *label, const char *hint,
                               const char *pattern, const char *title, bool required, int size,
                               int maxlength, const char *inputmode = nullptr) {
  return {FieldKind::kText, name, label,     hint,      pattern, title,
          required,         size, maxlength, inputmode, nullptr, false};
}
constexpr FormField checkbox_field(const char *name, const char *value, const char *label) {
  return {FieldKind::kCheckbox,
          name,
          label,
          nullptr,
          nullptr,
          nullptr,
          false,
          0,
          0,
          nullptr,
          value,
          false};
}
constexpr FormField choice_field(const char *name, const char *legend) {
  return {FieldKind::kChoice,
          name,
          legend,
          nullptr,
          nullptr,
          nullptr,
          false,
          0,
          0,
          nullptr,
          nullptr,
          false};
}
constexpr FormField option_field(const char *value, const char *label, bool checked = false,
                                 bool required = false) {
  return {FieldKind::kOption, nullptr, label, nullptr, nullptr, nullptr,
          required,           0,       0,     nullptr, value,   checked};
}
constexpr FormField group_field(const char *legend = nullptr, const char *note = nullptr) {
  return {FieldKind::kGroup, nullptr, legend, note, nullptr, nullptr, false, 0, 0,
          nullptr,           nullptr, false};
}
constexpr FormField end_field() {
  return {FieldKind::kEnd, nullptr, nullptr, nullptr, nullptr, nullptr,
          false,           0,       0,       nullptr, nullptr, false};
}

// A page's form: its heading, what it says above the fields, the fields,
// and an example query that the form accepts and the page answers.
struct FormDef {
  const char *title;  // the form page's title and heading
  const char *intro;  // HTML between heading and form, each line ended by "\n"
  const FormField *fields;
  std::size_t count;
  const char *example;  // a query the page answers, e.g. "root=3&real=8&imaginary=0"
  // The page's line in the site's index, HTML: the text of the link to the
  // form page, then what follows the link. Null: the page has no line of
  // its own.
  const char *index_link = nullptr;
  const char *index_note = nullptr;
};

// Writes |form|'s <form> element, posting to "/cgi-bin/<name>.pl", each
// line ended by "\n". With a |query|, every field shows the value the query
// gives it (decoded and HTML-escaped; a box or button is checked when the
// query sends its value); with null, the form's defaults.
void write_form(FILE *out, const char *name, const FormDef &form, const char *query);

// A page the frame serves: |page| writes the fragment for |request|, and
// the picture of its answer after it, and returns a PageResult.
struct FramePage {
  const char *name;   // the address is /cgi-bin/<name>.pl
  const char *title;  // the answer document's title
  int (*page)(FILE *out, const FrameRequest &request);
  const FormDef *form;      // the page's form, generated as htdocs/<name>.html; null: none
  bool changes_data;        // answers are never cached
  bool refuses_long_query;  // a query over kQueryMax bytes gets kPageTooLong
  bool adds_heading = false;  // the fragment has no <h1>: the frame writes the title as one
};

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

// Writes what |draw|(memory) writes to |out|, but only when it returns true
// and every byte was written: a picture that fails half-way leaves |out|
// untouched. Returns whether the picture was written.
bool write_drawn(FILE *out, bool (*draw)(FILE *memory, const void *context), const void *context);

template <class Draw>
bool write_figure(FILE *out, const Draw &draw) {
  return write_drawn(
      out, [](FILE *memory, const void *c) { return (*static_cast<const Draw *>(c))(memory); },
      &draw);
}

// A calculator's page on the site: |compute|'s answer for the request's
// query, written by |write| as the program writes it, then the picture
// |draw| makes of the same answer (none when |draw| returns false).
template <class Answer, auto compute, void (*write)(FILE *, const Answer &),
          bool (*draw)(FILE *, const Answer &)>
int unit_page(FILE *out, const FrameRequest &request) {
  static_assert(kPageDone == 0 && kPageTooLong == 1, "answer_page's results");
  Answer answer;
  const int result = answer_page<compute, write>(out, request.query, &answer);
  if (result == kPageDone) write_figure(out, [&](FILE *memory) { return draw(memory, answer); });
  return result;
}

// The numeric locale a CGI process of |request| would get from
// setlocale(LC_NUMERIC, ""): the first non-empty of LC_ALL, LC_NUMERIC and
// LANG, else "C". An empty variable is skipped, never taken as a name.
const char *numeric_locale_name(const FrameRequest &request);

#endif  // SITE_UNIT_UNIT_H
