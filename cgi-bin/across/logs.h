// The accepted- and refused-words logs of the data directory: one line a
// logged word, "%06d, %s, %s, %s" of count, stored word, client address and
// request time. They only ever grow.
#ifndef CGI_BIN_ACROSS_LOGS_H
#define CGI_BIN_ACROSS_LOGS_H

#include <cstddef>

// The logs' names in the data directory.
inline constexpr char kAcceptedLog[] = "across.log";
inline constexpr char kRefusedLog[] = "bad_across.log";

// The mode of every file the guest book creates, whatever the umask:
// visitors' addresses are for the owner and the group only.
inline constexpr unsigned kLogMode = 0640;

// Opens |log| in the data directory open at |dir| for appending, never
// through a link and never waiting; a missing log is created with exactly
// kLogMode. Returns the descriptor, or -1.
int open_log(int dir, const char *log);

// The length of the line append_log_line writes for these parts.
std::size_t log_line_size(int count, const char *stored, const char *address,
                          const char *timestamp);

// Appends the line of |count|, |stored|, |address| and |timestamp| (a
// newline added when the timestamp brings none) to |log| in the data
// directory open at |dir|, created when missing, in one write. A write cut
// short (a full disk, a file size limit) is cut back to the old end, so the
// log never keeps half a line. Returns false when the line is not in the
// log: the log cannot be opened, is not a regular file, or the write
// failed.
bool append_log_line(int dir, const char *log, int count, const char *stored, const char *address,
                     const char *timestamp);

#endif  // CGI_BIN_ACROSS_LOGS_H
