// The box of previous words: the word column of the accepted-words log,
// decoded for display.
#ifndef CGI_BIN_ACROSS_LISTING_H
#define CGI_BIN_ACROSS_LISTING_H

#include <cstdio>

#include "cgi-bin/across/store.h"
#include "cgi-bin/across/word_column.h"

// Reads the word column of "../data/across.log" into |column| (none when
// the log is missing). Returns false when the log exists but cannot be
// opened or read, is not a regular file, or memory runs out, and when the
// store is not locked (the lock was not had in time).
bool collect_words(const WordStore &store, WordColumn &column);

// Sorts |column| (sort_word_column) and writes each line with its newline,
// in pieces of at most 254 bytes, each piece '+' and '%' decoded on its own
// (an escape split by a piece boundary stays as it is) and HTML-escaped, in
// a few large writes. When |collected| is false the column could not be
// read, and "\n unable to access temp in list words\n" is written instead.
void list_words(FILE *out, WordColumn &column, bool collected);

#endif  // CGI_BIN_ACROSS_LISTING_H
