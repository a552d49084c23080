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

// Stores |count| (0 or more) in the counter of |dir| as "%06d\n\n" and
// syncs it, so the count is on disk before any log line carries it. Call
// under the exclusive lock.
//
// The count is written to a new file beside the counter, which takes the
// old counter's permission bits, and its owner and group where the process
// may give them, then renamed over it, and the directory is synced: a crash
// or a full disk leaves the old count. A temporary left by a request killed
// while writing it is removed first. When no file can be made beside the
// counter (a directory the server may not write, whose files it may), or
// the counter has other hard links (which a new file would leave holding
// the old count), the counter is rewritten in place instead: the new text
// in one write at its start, then cut to that length. Its first number is
// the new count even before the cut, since the text ends in a newline.
// Returns false when the count was not stored.
bool store_counter(int dir, int count);

#endif  // CGI_BIN_ACROSS_COUNTER_H
