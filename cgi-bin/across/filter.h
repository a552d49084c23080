// The foul-language filter: the maintainer's patterns in
// "../data/foul.language", white-space separated, matched against a word.
#ifndef CGI_BIN_ACROSS_FILTER_H
#define CGI_BIN_ACROSS_FILTER_H

#include <cstddef>

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

// The most of the list that is read. A longer list is not used at all
// rather than in part, which would let the words of its tail through.
inline constexpr std::size_t kFoulListMax = 1 << 20;

// Reads the list open at |fd|, whose size was seen to be |seen_size| (at
// most kFoulListMax), to its end into |text| (malloc'ed, or null; the
// caller frees it). Returns its length, or -1 on a read error, when memory
// runs out, or when the list has grown past kFoulListMax since; a list that
// grew less is still read to its end.
long read_word_list(int fd, std::size_t seen_size, char *&text);

#endif  // CGI_BIN_ACROSS_FILTER_H
