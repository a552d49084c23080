// The site's limits on what visitors may write into the guest book: how
// often one address may leave a word, and how large a log may grow. The
// programs run alone have none; the frame passes the site's settings.
#ifndef CGI_BIN_ACROSS_FLOOD_H
#define CGI_BIN_ACROSS_FLOOD_H

#include <cstddef>
#include <ctime>

// 0 turns either limit off.
struct WordLimits {
  int flood_seconds = 0;        // one word an address every this many seconds
  long long log_max_bytes = 0;  // the most bytes each log may hold
};

// The recent writers' file of the data directory: one line a writer, the
// time of its last word and its address key, "%lld %s\n". It holds only
// writers of the last flood_seconds and at most kRecentMax of them.
inline constexpr char kRecentFile[] = "across.recent";
inline constexpr std::size_t kRecentMax = 4096;

// The key an address is limited by, written to |key|: an IPv4 address
// whole (an IPv4-mapped IPv6 address as its IPv4 address), an IPv6 address
// by its /64 prefix ("2001:db8:1:2::/64"), anything else (which no server
// sends) as it stands, cut to the buffer.
void writer_key(char (&key)[64], const char *address);

// Whether a line of |line_size| bytes fits in |log| of the data directory
// open at |dir| under |max_bytes| (0: no cap): the log's size plus the line
// at most |max_bytes|. A missing log is empty; one that cannot be examined
// is left to the append to report.
bool log_has_room(int dir, const char *log, std::size_t line_size, long long max_bytes);

// Decides, under the exclusive lock, whether |key| may leave a word at
// |now| when one address may leave one every |seconds| (above 0). When it
// may, it is noted as the latest writer: the file of recent writers in the
// data directory open at |dir| is replaced (a temporary renamed over it,
// mode 0640) without the writers older than |seconds|, and, past
// kRecentMax, without the oldest. Returns the seconds |key| must still wait
// (0: noted, may write), or -1 when the file cannot be read or replaced, so
// the word is refused rather than let through unchecked. A writer's time
// in the future (the clock was set back) waits at most |seconds|.
int pass_flood_gate(int dir, const char *key, std::time_t now, int seconds);

#endif  // CGI_BIN_ACROSS_FLOOD_H
