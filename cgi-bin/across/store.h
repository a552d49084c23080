// The guest book's word store: the visit counter, the accepted- and
// refused-words logs, the foul-language filter and the listing of previous
// words, all in files of the data directory "../data/" (relative to the
// working directory the web server starts the program in).
#ifndef CGI_BIN_ACROSS_STORE_H
#define CGI_BIN_ACROSS_STORE_H

#include <cstdio>

// The two editions of the guest book differ in the filter's rule for an
// empty word (and, on the page, in how the word is cut and sanitised).
enum class Edition { kCurrent, kEarlier };

// Takes an exclusive lock on "../data/across.lock" (created when missing)
// so that one request at a time updates the counter, logs and lists. The
// kernel drops the lock if the process dies. Returns the descriptor to hand
// to unlock_store, or -1 when the lock file cannot be opened or locked; the
// request then goes on unlocked.
int lock_store();

// Releases a lock from lock_store; -1 is ignored.
void unlock_store(int lock);

// Reads "../data/across.cnt", adds 1 when |raw_word| is not empty, and
// stores the result with "%06d\n\n" through a temporary file renamed over
// the counter, so the counter is never seen empty or half written. A
// missing counter starts at 1 (with or without a word). Returns the count,
// or -1 when the counter exists but does not begin with a non-negative
// integer that fits an int (or cannot be raised without overflow, or cannot
// be read): the file is then left untouched. A failure to store the new
// count is not reported; the count is still returned.
int update_counter(const char *raw_word);

// Whether |word| (the display copy, still URL-encoded) is acceptable:
// 0 when one of the white-space separated patterns of
// "../data/foul.language" occurs in it (case-sensitive substring), else 1;
// 1 for every word while the list is missing. The current edition refuses
// the empty word without opening the list.
int okay_word(const char *word, Edition edition);

// Appends "%06d, %s, %s, %s" of |count|, |stored|, |address| and
// |timestamp| (which brings its own newline) to "../data/across.log" when
// |accepted|, else to "../data/bad_across.log". Returns false when the log
// cannot be opened or the line cannot be written.
bool log_word(bool accepted, int count, const char *stored, const char *address,
              const char *timestamp);

// Writes to |out| the accepted words, one a line with a leading blank,
// sorted case-insensitively and de-duplicated by their stored form, '+' and
// '%' escapes decoded and HTML-escaped. The shell command
// "cut -d, -f2 ../data/across.log | sort -bfu >../data/temp" does the
// sorting; the temp file is removed afterwards. When it cannot be opened,
// writes "\n unable to access temp in list words\n" instead.
void list_words(FILE *out);

#endif  // CGI_BIN_ACROSS_STORE_H
