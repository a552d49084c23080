// The foul-language filter: the maintainer's patterns in
// "../data/foul.language", white-space separated, matched against a word.
#ifndef CGI_BIN_ACROSS_FILTER_H
#define CGI_BIN_ACROSS_FILTER_H

#include "cgi-bin/across/edition.h"

// Whether |word| (the display copy, still URL-encoded) is acceptable:
// 0 when one of the white-space separated patterns of
// "../data/foul.language" occurs in it (case-sensitive substring), else 1;
// 1 for every word while the list is missing. The current edition refuses
// the empty word without opening the list. Patterns are read whole: one
// longer than 255 bytes, longer than any word, matches nothing.
//
// A list that is there but cannot be used refuses every word, as the
// filter cannot say which are acceptable: a symbolic link, anything but a
// regular file (a FIFO or a device is never waited on or read), a file over
// 1 MiB, or one that cannot be read to its end.
int okay_word(const char *word, Edition edition);

#endif  // CGI_BIN_ACROSS_FILTER_H
