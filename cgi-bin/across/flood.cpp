#include "cgi-bin/across/flood.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "fileio/replace.h"

namespace {

const char kRecentTemp[] = "across.recent.update";

// The longest line the file holds: a time, a blank, a key and a newline.
constexpr std::size_t kRecentLineMax = 20 + 1 + 63 + 1;
// The most of the file that is read: a longer one was not written here, and
// what lies past it is dropped at the next replacement.
constexpr std::size_t kRecentBytesMax = kRecentMax * kRecentLineMax;

// One line of the file, split; false for a line this file never holds.
bool parse_line(const char *line, std::size_t size, long long &time, const char *&key,
                std::size_t &key_size) {
  char number[24];
  const char *blank = static_cast<const char *>(std::memchr(line, ' ', size));
  if (blank == nullptr || blank == line || static_cast<std::size_t>(blank - line) >= sizeof number)
    return false;
  std::memcpy(number, line, static_cast<std::size_t>(blank - line));
  number[blank - line] = '\0';
  char *end;
  errno = 0;
  time = std::strtoll(number, &end, 10);
  key = blank + 1;
  key_size = size - static_cast<std::size_t>(key - line);
  return errno == 0 && *end == '\0' && key_size > 0 && key_size < 64;
}

// Reads at most kRecentBytesMax bytes of the recent writers' file into
// |text| (malloc'ed; the caller frees it). A missing file is empty. Returns
// the length, or -1 when the file cannot be read or is not a regular file.
long read_recent(int dir, char *&text) {
  text = static_cast<char *>(std::malloc(kRecentBytesMax));
  if (text == nullptr) return -1;
  int fd = openat(dir, kRecentFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 0 : -1;
  struct stat st;
  long got = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? 0 : -1;
  while (got >= 0 && static_cast<std::size_t>(got) < kRecentBytesMax) {
    ssize_t n = read(fd, text + got, kRecentBytesMax - static_cast<std::size_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) got = -1;
      break;
    }
    got += n;
  }
  close(fd);
  return got;
}

// Calls |visit|(time, line, size) for each well-formed line of |text|, the
// newline not counted in |size|.
template <class Visit>
void each_line(const char *text, std::size_t size, const Visit &visit) {
  for (std::size_t at = 0; at < size;) {
    const char *line = text + at;
    const char *end = static_cast<const char *>(std::memchr(line, '\n', size - at));
    if (end == nullptr) break;  // a cut last line is dropped
    std::size_t length = static_cast<std::size_t>(end - line);
    long long time;
    const char *key;
    std::size_t key_size;
    if (parse_line(line, length, time, key, key_size))
      visit(time, std::string_view(key, key_size), line, length);
    at += length + 1;
  }
}

// Seconds a writer of |time| must still wait at |now|; 0 when none.
long long still_to_wait(long long time, std::time_t now, int seconds) {
  if (time > now) return seconds;
  long long since = static_cast<long long>(now) - time;
  return since < seconds ? seconds - since : 0;
}

// Writes the file anew: the writers of |text| still waiting, but |key|,
// the newest kRecentMax - 1 of them, and then |key| at |now|.
bool note_writer(int dir, const char *text, std::size_t size, std::string_view key, std::time_t now,
                 int seconds) {
  std::size_t waiting = 0;
  auto kept = [&](long long time, std::string_view k) {
    return k != key && still_to_wait(time, now, seconds) > 0;
  };
  each_line(text, size, [&](long long time, std::string_view k, const char *, std::size_t) {
    if (kept(time, k)) ++waiting;
  });
  std::size_t skip = waiting >= kRecentMax ? waiting - (kRecentMax - 1) : 0;
  unlinkat(dir, kRecentTemp, 0);
  Replacement r;
  if (!begin_replacement(r, dir, kRecentTemp, 0640)) return false;
  bool ok = fchmod(fileno(r.stream), 0640) == 0;
  each_line(text, size, [&](long long time, std::string_view k, const char *line, std::size_t n) {
    if (!kept(time, k)) return;
    if (skip > 0) {
      --skip;
      return;
    }
    ok = ok && std::fwrite(line, 1, n + 1, r.stream) == n + 1;
  });
  ok = ok && std::fprintf(r.stream, "%lld %.*s\n", static_cast<long long>(now),
                          static_cast<int>(key.size()), key.data()) > 0;
  if (!ok) {
    abandon_replacement(r);
    return false;
  }
  // Not synced: after a crash the worst is a file that forgot a few
  // seconds of writers.
  return finish_replacement(r, kRecentFile, Sync::kNone) == Replaced::kDone;
}

}  // namespace

void writer_key(char (&key)[64], const char *address) {
  unsigned char bytes[16];
  if (inet_pton(AF_INET, address, bytes) == 1) {
    inet_ntop(AF_INET, bytes, key, sizeof key);
    return;
  }
  if (inet_pton(AF_INET6, address, bytes) == 1) {
    in6_addr six;
    std::memcpy(&six, bytes, sizeof six);
    if (IN6_IS_ADDR_V4MAPPED(&six)) {
      inet_ntop(AF_INET, bytes + 12, key, sizeof key);
      return;
    }
    std::memset(bytes + 8, 0, 8);
    char prefix[INET6_ADDRSTRLEN];
    inet_ntop(AF_INET6, bytes, prefix, sizeof prefix);
    std::snprintf(key, sizeof key, "%s/64", prefix);
    return;
  }
  // Kept to what the file's lines can hold: no blanks, no line breaks.
  std::size_t i = 0;
  for (; address[i] != '\0' && i + 1 < sizeof key; ++i)
    key[i] = address[i] > ' ' && address[i] < 127 ? address[i] : '_';
  if (i == 0) key[i++] = '-';
  key[i] = '\0';
}

bool log_has_room(int dir, const char *log, std::size_t line_size, long long max_bytes) {
  if (max_bytes <= 0) return true;
  struct stat st;
  if (fstatat(dir, log, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return true;
    st.st_size = 0;
  }
  return static_cast<unsigned long long>(st.st_size) + line_size <=
         static_cast<unsigned long long>(max_bytes);
}

int pass_flood_gate(int dir, const char *key, std::time_t now, int seconds) {
  char *text;
  long size = read_recent(dir, text);
  long long wait = 0;
  if (size >= 0)
    each_line(text, static_cast<std::size_t>(size),
              [&](long long time, std::string_view k, const char *, std::size_t) {
                if (k == key) wait = still_to_wait(time, now, seconds);
              });
  int result = size < 0 ? -1 : static_cast<int>(wait);
  if (result == 0 && !note_writer(dir, text, static_cast<std::size_t>(size), key, now, seconds))
    result = -1;
  std::free(text);
  return result;
}
