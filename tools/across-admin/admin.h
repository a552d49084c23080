// The guest book's moderation tool: lists the words of the accepted-words
// log of a data directory and takes words down, under the guest book's own
// lock, so visitors writing meanwhile lose nothing.
#ifndef TOOLS_ACROSS_ADMIN_ADMIN_H
#define TOOLS_ACROSS_ADMIN_ADMIN_H

#include <cstdio>

// The removed lines' log in the data directory: what remove takes out of
// the accepted-words log, appended as it stood, so nothing is lost for good.
inline constexpr char kRemovedLog[] = "removed_across.log";

// Opens the data directory |path| (not through a symbolic link) and
// returns its descriptor. Run as root on a directory another user owns, the
// process first becomes that user (its uid, the directory's group, no
// supplementary groups), so it writes only what the owner could. Returns -1
// after a report on |err|.
int open_data_dir(const char *path, FILE *err);

// Writes to |out| every distinct word of the accepted-words log of |dir|,
// in the listing's order, one line each: the number of its lines, a tab,
// and the word as the listing shows it (decoded), without its leading
// blanks. Words are the same when they compare equal as the listing sorts
// them (leading blanks skipped, 'a' to 'z' folded). Returns 0, or 1 after a
// report on |err|.
int list_words_of(int dir, FILE *out, FILE *err);

// Removes from the accepted-words log of |dir| every line whose word, as
// the listing shows it and without its leading blanks, equals one of the
// |count| |words| ignoring the case of 'a' to 'z'. Under the guest book's
// exclusive lock (tried for at most about 3 s): the removed lines are
// appended to kRemovedLog and synced, then the rest of the log is written
// to a temporary file (synced, with the log's mode and owner) renamed over
// the log, and the directory synced. On any failure the log is left as it
// was and what was appended to kRemovedLog is taken back. The counter is
// not touched, so no count is used again. Writes "removed N lines" to
// |out|. Returns 0, or 1 after a report on |err|.
int remove_words(int dir, const char *const *words, int count, FILE *out, FILE *err);

#endif  // TOOLS_ACROSS_ADMIN_ADMIN_H
