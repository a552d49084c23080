// The guest book's word store: the visit counter, the accepted- and
// refused-words logs, the foul-language filter and the listing of previous
// words, all in files of the data directory "../data/" (relative to the
// working directory the web server starts the program in).
//
// Every function here may run many times in one process (a persistent
// worker serves one request after another): none keeps state between
// calls, leaves a descriptor or memory behind, or changes the working
// directory, the locale or the umask. Data files are never opened through
// a symbolic link, and only regular files are read or written.
#ifndef CGI_BIN_ACROSS_STORE_H
#define CGI_BIN_ACROSS_STORE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The two editions of the guest book differ in the filter's rule for an
// empty word (and, on the page, in how the word is cut and sanitised).
enum class Edition { kCurrent, kEarlier };

// One request's hold on the store: the data directory, which every data
// file is opened relative to and which is itself the lock (flock on the
// directory: it works in a read-only directory, and no file can be deleted
// or replaced under it). |dir| is -1 when the directory cannot be opened.
struct WordStore {
  int dir = -1;
  bool locked = false;
};

// Opens "../data/" and locks it exclusively. The kernel drops the lock
// when the process dies. Without the lock (the directory cannot be opened
// or locked) the store is read-only: record_word stores nothing.
void open_store(WordStore &store);

// Turns the exclusive lock into a shared one, so that requests that only
// read the log read side by side. (flock may let a waiting writer in
// between: a listing can hold words logged after its own.)
void share_store(WordStore &store);

// Releases the lock and the directory; harmless on a store never opened.
void close_store(WordStore &store);

// Counts the request and logs its word; |stored| is the log copy, empty
// when the request brings no word. Needs the exclusive lock.
//
// With a word: the count of "../data/across.cnt" plus one (1 when the
// counter is missing) is stored first, as "%06d\n\n" in a temporary file
// synced and renamed over the counter, and only then is the line
// "%06d, %s, %s, %s" of count, |stored|, |address| and |timestamp| (a
// newline added when the timestamp brings none) appended to
// "../data/across.log" when |accepted|, else to "../data/bad_across.log".
// An append cut short is cut back to the log's old size and the counter
// gets its old count back, so a log line is whole or absent, and a count is
// logged at most once. Returns false when the word was not logged: no lock,
// a counter that cannot be read, holds no count or holds INT_MAX, a count
// that cannot be stored, a log that cannot be appended to.
//
// Without a word nothing is stored unless the counter is missing; it is
// then created holding 1. Returns true.
//
// Counter temporaries left by a request killed while writing
// ("across.cnt." and six letters or digits) are removed before a new one is
// made: under the exclusive lock no live request owns one.
bool record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                 const char *timestamp);

// Whether |word| (the display copy, still URL-encoded) is acceptable:
// 0 when one of the white-space separated patterns of
// "../data/foul.language" occurs in it (case-sensitive substring), else 1;
// 1 for every word while the list is missing. The current edition refuses
// the empty word without opening the list. Patterns are read whole: one
// longer than 255 bytes, longer than any word, matches nothing.
int okay_word(const char *word, Edition edition);

// ---- listing ------------------------------------------------------------

// One line of a word column: bytes [begin, end) of the column's text, and
// (once sort_word_column has set it) the start of its sort key, in two
// words: the first 15 bytes folded,
// big-endian, zero-padded, and a last byte that is 1 when those bytes are
// the whole key (at most 15 bytes, no NUL among them), so that most
// comparisons never look at the text.
struct ColumnLine {
  std::uint64_t key[2];
  std::size_t begin;
  std::size_t end;
};

// The second comma-separated field of each log line, as
// "cut -d, -f2" cuts it: the bytes between the first and the second comma,
// or the whole line when it has no comma. The fields lie one after the
// other in |text|, without separators. Owned by the caller; release with
// free_word_column.
struct WordColumn {
  char *text = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
  ColumnLine *lines = nullptr;
  std::size_t count = 0;
  std::size_t line_capacity = 0;
};

// Reads the log open at |fd| to its end and appends its fields to |column|.
// A last line without a newline counts as a line. Only the fields are kept:
// memory grows with the words, not with the log. Returns false on a read
// error or when memory runs out.
bool read_word_column(int fd, WordColumn &column);

// Reads the word column of "../data/across.log" (none when the log is
// missing). Returns false when the log exists but cannot be opened or read,
// is not a regular file, or memory runs out. Call under the lock.
bool collect_words(const WordStore &store, WordColumn &column);

// Orders the lines as "sort -bfu" does in the C locale: compared after
// their leading blanks (spaces and tabs), 'a' to 'z' folded to upper case,
// byte by byte, a prefix before the longer line; of lines that compare
// equal only the first in log order stays.
void sort_word_column(WordColumn &column);

// Writes each line of |column| and a newline: after sort_word_column, the
// bytes "cut -d, -f2 LOG | sort -bfu" writes under LC_ALL=C.
void write_word_column(FILE *out, const WordColumn &column);

// The box of previous words: sorts |column| (sort_word_column) and writes
// each line with its newline, in pieces of at most 254 bytes, each piece
// '+' and '%' decoded on its own (an escape split by a piece boundary stays
// as it is) and HTML-escaped, in a few large writes. When |collected| is
// false the column could not be read, and
// "\n unable to access temp in list words\n" is written instead.
void list_words(FILE *out, WordColumn &column, bool collected);

void free_word_column(WordColumn &column);

#endif  // CGI_BIN_ACROSS_STORE_H
