#include "cgi-bin/across/across.h"

#include <cstring>

#include "cgi-bin/across/filter.h"
#include "cgi-bin/across/listing.h"
#include "cgi-bin/across/store.h"
#include "formlib/formlib.h"

// The footer's outside addresses come from the build (CMake cache variables
// of the same names).
#if !defined(ACROSS_SEARCH_HOME) || !defined(ACROSS_SEARCH_NAME) || \
    !defined(ACROSS_SEARCH_QUERY) || !defined(ACROSS_OWNER_HOME)
#error "the footer's addresses are set by the build"
#endif

namespace {

// The current edition tests, logs and shows at most this many bytes of the
// encoded word.
constexpr std::size_t kWordCut = 64;

using Word = char[256];
using ShownWord = char[html_escaped_size(sizeof(Word))];

// Local time as asctime writes it: 24 characters and a newline. Empty if
// the time cannot be converted.
void format_timestamp(char (&text)[256], std::time_t now) {
  std::tm local;
  if (localtime_r(&now, &local) == nullptr ||
      std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y\n", &local) == 0)
    text[0] = '\0';
}

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Current edition: the first 64 bytes; letters, digits and the encoding's
// '%', '+' and '-' stay, every other byte becomes '.'.
void sanitise_current(char *word) {
  word[strnlen(word, kWordCut)] = '\0';
  for (; *word != '\0'; ++word)
    if (!is_ascii_alnum(*word) && *word != '%' && *word != '+' && *word != '-') *word = '.';
}

// Earlier edition: the whole word; only '<' and '>' change, to '(' and ')'.
void sanitise_earlier(char *word) {
  for (; *word != '\0'; ++word) {
    if (*word == '<') *word = '(';
    if (*word == '>') *word = ')';
  }
}

// The display copy: the raw value of "r", sanitised as the edition does.
void make_display_copy(Word &display, const char *raw, Edition edition) {
  std::snprintf(display, sizeof display, "%s", raw);
  if (edition == Edition::kCurrent)
    sanitise_current(display);
  else
    sanitise_earlier(display);
}

// The log copy: the display copy with 'A' to 'Z' lowered, all else kept.
void make_log_copy(Word &stored, const char *display) {
  std::size_t i = 0;
  for (; display[i] != '\0'; ++i) {
    char c = display[i];
    stored[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  stored[i] = '\0';
}

// The page's fixed pieces, in the order it may write them.
const char kLogFailed[] = "<strong><center>Log Failed!</center></strong>\n";
const char kRefusal[] =
    "<p><h1><center><b>But please don't use punctuation or foul language here!!</b></center>"
    "</h1>";
const char kGridHead[] =
    "<center><h2><strong>\n<table border=10>\n<th><center>Output is as follows:</center></th>\n"
    "<th><center>Previous words have been:</center></th><tr>\n"
    "<td><center><table border=5>\n";
const char kBoxOpening[] =
    "</table></center></td>\n<td><form action=\"\"><h4><textarea name=hi "
    "OnFocus=\"this.blur();\" cols=24 rows=5 >\n";

void print_greeting(FILE *out, const char *timestamp, const char *address) {
  char shown[html_escaped_size(255)];
  std::fprintf(out,
               "<p><h3><center>Thank you for visiting my site on %s \n<p>from %s.\n"
               "<p>Please come again!</center></h3>\n",
               timestamp, html_escape(shown, address));
}

void print_input_line(FILE *out, const char *word) {
  ShownWord shown;
  std::fprintf(out, "<p>Original input was: %s<br>\n", html_escape(shown, word));
}

// Row j is the word rotated left by j places: cell i holds the letter at
// (i + j) mod length. A word of n letters gives n rows of n cells. The cells
// of the word written twice, one after the other, hold every row as one
// run of bytes, so each letter is escaped and formatted once, not n times.
void print_grid(FILE *out, const char *word) {
  constexpr std::size_t kCellMax = sizeof "<td></td>" - 1 + html_escaped_size(1) - 1;
  std::size_t length = std::strlen(word);
  char cells[2 * sizeof(Word) * kCellMax];
  std::size_t start[sizeof(Word)];
  std::size_t used = 0;
  for (std::size_t k = 0; k < 2 * length; ++k) {
    if (k < length) start[k] = used;
    const char letter[2] = {word[k % length], '\0'};
    char shown[html_escaped_size(1)];
    used += static_cast<std::size_t>(std::snprintf(cells + used, sizeof cells - used, "<td>%s</td>",
                                                   html_escape(shown, letter)));
  }
  for (std::size_t j = 0; j < length; ++j) {
    std::fwrite(cells + start[j], 1, used / 2, out);
    std::fputs("<tr>\n", out);
  }
}

// The current edition marks the footer's table and cells with the class
// "hidden"; the earlier one has no class attribute.
void print_footer(FILE *out, Edition edition) {
  bool current = edition == Edition::kCurrent;
  const char *table_class = current ? " class=\"hidden\"" : "";
  const char *td = current ? "<td class=\"hidden\" >" : "<td>";
  std::fprintf(out,
               "</textarea></h4></form></td>\n</table>\n</strong></h2></center>\n"
               "<hr width=\"60%%\">\n<table%s width=\"90%%\">\n",
               table_class);
  std::fprintf(out, "<td%s link=\"#009999\"><a href=\"%s\"><h2>%s</h2></a></td>\n", table_class,
               ACROSS_SEARCH_HOME, ACROSS_SEARCH_NAME);
  std::fprintf(out, "%s<form action=\"%s\">\n<input type=\"text\" name=\"q\" size=40 >\n", td,
               ACROSS_SEARCH_QUERY);
  std::fprintf(out, "</form></td>\n%ssource:</td>\n", td);
  std::fprintf(out, "%s<a href=\"/cgi-bin/source.pl?s=../sources/across\">across</a></td><tr>\n",
               td);
  std::fprintf(out, "%sanother word</td>\n%s<form action=\"/cgi-bin/across.pl\">\n", td, td);
  std::fprintf(out, "<input type=\"text\" name=\"r\" size=40 >\n</form></td>\n%svisit:</td>\n", td);
  std::fprintf(out, "%s<a href=\"%s\"><h4>%s/</h4></a></td><tr>\n</table>\n", td, ACROSS_OWNER_HOME,
               ACROSS_OWNER_HOME);
}

void print_too_fast(FILE *out, int seconds, int wait, std::time_t now) {
  char when[16] = "";
  std::time_t next = now + wait;
  std::tm local;
  if (localtime_r(&next, &local) != nullptr)
    std::strftime(when, sizeof when, " (%H:%M:%S)", &local);
  std::fprintf(out,
               "<p class=\"error\">Posting too quickly: one address may leave one word every %d "
               "second%s. Please try again in %d second%s%s.</p>\n",
               seconds, seconds == 1 ? "" : "s", wait, wait == 1 ? "" : "s", when);
}

void print_full(FILE *out) {
  std::fputs(
      "<p class=\"error\">The guest book is full for now: it takes no new words until its "
      "owner makes room. Your word was not kept.</p>\n",
      out);
}

// The page of one request; |limits| null for the programs run alone.
WordAnswer answer(FILE *out, const char *query, const char *remote_addr, std::time_t now,
                  Edition edition, const WordLimits *limits, int &retry_after) {
  const char *address = remote_addr != nullptr ? remote_addr : "";
  char timestamp[256];
  format_timestamp(timestamp, now);
  FormBuffer form;
  copy_form(form, query);
  Word raw;
  get_var(raw, "r", form);
  Word display;
  make_display_copy(display, raw, edition);
  Word stored;
  make_log_copy(stored, display);

  bool accepted = okay_word(display, edition) == 1;
  // The counter update and the log append hold the store exclusively, the
  // listing reads the log under a shared lock, and the page is written with
  // no lock held, so a slow client holds up nobody.
  WordStore store;
  open_store(store);
  Recorded recorded =
      record_word(store, accepted, stored, address, timestamp, now, limits, retry_after);
  WordColumn words;
  bool collected = false;
  if (recorded == Recorded::kTooFast || recorded == Recorded::kFull) {
    close_store(store);
    if (recorded == Recorded::kFull) {
      print_full(out);
      return WordAnswer::kFull;
    }
    print_too_fast(out, limits->flood_seconds, retry_after, now);
    return WordAnswer::kTooFast;
  }
  if (accepted) {
    share_store(store);
    collected = collect_words(store, words);
  }
  close_store(store);
  print_greeting(out, timestamp, address);
  if (recorded != Recorded::kLogged) std::fputs(kLogFailed, out);
  if (!accepted) {
    std::fputs(kRefusal, out);
    return WordAnswer::kShown;
  }
  plustospace(display);
  unescape_url(display);
  print_input_line(out, display);
  std::fputs(kGridHead, out);
  print_grid(out, display);
  std::fputs(kBoxOpening, out);
  list_words(out, words, collected);
  free_word_column(words);
  print_footer(out, edition);
  return WordAnswer::kShown;
}

}  // namespace

int across_page(FILE *out, const char *query, const char *remote_addr, std::time_t now,
                Edition edition) {
  int unused = 0;
  answer(out, query, remote_addr, now, edition, nullptr, unused);
  return 0;
}

WordAnswer across_limited_page(FILE *out, const char *query, const char *remote_addr,
                               std::time_t now, Edition edition, const WordLimits &limits,
                               int &retry_after) {
  return answer(out, query, remote_addr, now, edition, &limits, retry_after);
}
