// The visit counter "across.cnt" of the data directory: one decimal count,
// written as "%06d\n\n", read back as "%d" reads it.
#ifndef CGI_BIN_ACROSS_COUNTER_H
#define CGI_BIN_ACROSS_COUNTER_H

// The counter's name in the data directory.
inline constexpr char kCounterFile[] = "across.cnt";

// What read_counter returns for a counter that exists but holds no usable
// count, and for no counter at all.
inline constexpr int kCounterUnusable = -1;
inline constexpr int kCounterMissing = -2;

// The count the counter of the data directory open at |dir| holds (leading
// white space, an optional '+', decimal digits), kCounterMissing when there
// is none, or kCounterUnusable when it cannot be read (no permission, not a
// regular file, a link) or does not begin with a count from 0 to INT_MAX.
int read_counter(int dir);

// Stores |count| (0 or more) in the counter of |dir|, durably: written to a
// new file beside it, synced and renamed over it, then the directory
// synced, so the count is on disk before any log line carries it, and a
// crash or a full disk leaves the old count. Counter temporaries left by a
// request killed while writing ("across.cnt." and six letters or digits)
// are removed first; call under the exclusive lock, when no live request
// owns one. Returns false when the count was not stored.
bool store_counter(int dir, int count);

#endif  // CGI_BIN_ACROSS_COUNTER_H
