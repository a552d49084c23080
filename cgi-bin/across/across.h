// The word guest book's page: greets the visitor, counts the visit, logs
// the word of the form field "r" (or refuses it), shows it decoded with a
// grid of its letters rotated row by row, lists the words of earlier
// visitors and closes with the footer of its edition.
#ifndef CGI_BIN_ACROSS_ACROSS_H
#define CGI_BIN_ACROSS_ACROSS_H

#include <cstdio>
#include <ctime>

#include "cgi-bin/across/edition.h"
#include "cgi-bin/across/flood.h"

// Answers one request: |query| is the form string (nullptr serves as
// empty; only its first kFormMax bytes are used), |remote_addr| the client's
// address (nullptr serves as empty), |now| the time the request started,
// shown and logged in local time. Reads and writes the word store under
// "../data/" (store.h, filter.h, listing.h). Every piece of visitor text that reaches |out| is
// HTML-escaped; the logs keep the word in its stored, URL-encoded form.
// Returns 0.
int across_page(FILE *out, const char *query, const char *remote_addr, std::time_t now,
                Edition edition);

// What a request under the site's limits came to.
enum class WordAnswer {
  kShown,    // the page, as across_page writes it
  kTooFast,  // the address left a word too recently: nothing stored
  kFull,     // the word's log has no room for it: nothing stored
};

// across_page under |limits| (flood.h). For kTooFast only a paragraph is
// written to |out|, saying that one address may leave one word every
// limits.flood_seconds seconds and when to try again, and |retry_after|
// is set to the seconds to wait; for kFull only a paragraph saying that the
// guest book is full for now.
WordAnswer across_limited_page(FILE *out, const char *query, const char *remote_addr,
                               std::time_t now, Edition edition, const WordLimits &limits,
                               int &retry_after);

#endif  // CGI_BIN_ACROSS_ACROSS_H
