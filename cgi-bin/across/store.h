// The guest book's word store: the visit counter, the accepted- and
// refused-words logs and the word filter, all in files of the data
// directory "../data/" (relative to the working directory the web server
// starts the program in). This header is one request's hold on it: the
// lock, and counting and logging the request's word.
//
// Every function of the store may run many times in one process (a
// persistent worker serves one request after another): none keeps state
// between calls, leaves a descriptor or memory behind, or changes the
// working directory, the locale or the umask. Data files are never opened
// through a symbolic link, and only regular files are read or written.
#ifndef CGI_BIN_ACROSS_STORE_H
#define CGI_BIN_ACROSS_STORE_H

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
// counter is missing) is stored first (counter.h), and only then is the
// line of count, |stored|, |address| and |timestamp| appended to
// "../data/across.log" when |accepted|, else to "../data/bad_across.log"
// (logs.h). An append cut short is cut back to the log's old size, so a
// log line is whole or absent. The count counts requests with a word, so it
// stays raised when the word cannot be logged: the numbers in the logs may
// have gaps, but none is used twice. Returns false when the word was not
// logged: no lock, a counter that cannot be read, holds no count or holds
// INT_MAX, a count that cannot be stored, a log that cannot be appended to.
//
// Without a word nothing is stored unless the counter is missing; it is
// then created holding 1. Returns true.
bool record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                 const char *timestamp);

#endif  // CGI_BIN_ACROSS_STORE_H
