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

#include <ctime>

#include "cgi-bin/across/flood.h"

// One request's hold on the store: the data directory, which every data
// file is opened relative to and which is itself the lock (flock on the
// directory: it works in a read-only directory, and no file can be deleted
// or replaced under it). |dir| is -1 when the directory cannot be opened.
struct WordStore {
  int dir = -1;
  bool locked = false;
  long long deadline_ns = 0;  // CLOCK_MONOTONIC time after which no lock is tried
};

// How long one request tries the lock in all, exclusive and shared: the
// lock is tried without blocking and tried again after short sleeps, so no
// holder, not even another local account's flock on the directory, makes a
// request wait longer.
inline constexpr long long kLockWaitNs = 3'000'000'000;

// Opens "../data/" and locks it exclusively (lock_store). The kernel drops
// the lock when the process dies. Without the lock (the directory cannot
// be opened, or the lock is not had within kLockWaitNs) the store is
// read-only: record_word stores nothing and collect_words reads nothing.
void open_store(WordStore &store);

// Takes |dir| (a directory descriptor the store now owns) as the store and
// locks it exclusively, trying for at most kLockWaitNs. Returns whether
// the lock is held.
bool lock_store(WordStore &store, int dir);

// Turns the exclusive lock into a shared one, so that requests that only
// read the log read side by side. flock converts by dropping the lock and
// taking the new one, so another process may take it in between: the
// shared lock is tried until the store's deadline, and without it the
// store is no longer locked. (A waiting writer may get in between: a
// listing can hold words logged after its own.)
void share_store(WordStore &store);

// Releases the lock and the directory; harmless on a store never opened.
void close_store(WordStore &store);

// What record_word did with a word.
enum class Recorded {
  kLogged,   // counted and logged (or no word: nothing needed)
  kFailed,   // not logged: "Log Failed!"
  kTooFast,  // under |limits|: the address left a word too recently; nothing stored
  kFull,     // under |limits|: the line would take its log past the cap; nothing stored
};

// Counts the request and logs its word; |stored| is the log copy, empty
// when the request brings no word. Needs the exclusive lock. With
// |limits| (the site's; null for the programs run alone) the word is first
// checked against them (flood.h), in this order: a log with no room for the
// line gives kFull, an address that left a word less than
// limits->flood_seconds ago gives kTooFast with |retry_after| set to the
// seconds left; neither counts or logs anything. A word that passes is
// noted as its address's latest (a note that cannot be read or stored is
// kFailed, so the limit is never skipped) before it is counted.
//
// With a word: the count of "../data/across.cnt" plus one (1 when the
// counter is missing) is stored first (counter.h), and only then is the
// line of count, |stored|, |address| and |timestamp| appended to
// "../data/across.log" when |accepted|, else to "../data/bad_across.log"
// (logs.h). An append cut short is cut back to the log's old size, so a
// log line is whole or absent. The count counts requests with a word, so it
// stays raised when the word cannot be logged: the numbers in the logs may
// have gaps, but none is used twice. Returns kFailed when the word was not
// logged: no lock, a counter that cannot be read, holds no count or holds
// INT_MAX, a count that cannot be stored, a log that cannot be appended to.
//
// Without a word nothing is stored unless the counter is missing; it is
// then created holding 1. Returns kLogged.
Recorded record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                     const char *timestamp, std::time_t now, const WordLimits *limits,
                     int &retry_after);

#endif  // CGI_BIN_ACROSS_STORE_H
