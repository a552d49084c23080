#include "cgi-bin/across/logs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Writes all |count| parts, resuming after a short write.
bool write_all(int fd, iovec *parts, int count) {
  while (count > 0) {
    ssize_t n = writev(fd, parts, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    std::size_t done = static_cast<std::size_t>(n);
    for (; count > 0 && done >= parts->iov_len; ++parts, --count) done -= parts->iov_len;
    if (count > 0) {
      parts->iov_base = static_cast<char *>(parts->iov_base) + done;
      parts->iov_len -= done;
    }
  }
  return true;
}

// A log line's pieces, in the order they are written: the count (written
// into |head|), the stored word, the address and the timestamp, joined by
// ", ", and a newline when the timestamp brings none.
struct LogLine {
  char head[32];
  char separator[3] = ", ";
  char newline[2] = "\n";
  iovec parts[7];
};

void make_line(LogLine &line, int count, const char *stored, const char *address,
               const char *timestamp) {
  const int head = std::snprintf(line.head, sizeof line.head, "%06d, ", count);
  const std::size_t stamp = std::strlen(timestamp);
  const bool ends_line = stamp > 0 && timestamp[stamp - 1] == '\n';
  line.parts[0] = {line.head, static_cast<std::size_t>(head)};
  line.parts[1] = {const_cast<char *>(stored), std::strlen(stored)};
  line.parts[2] = {line.separator, 2};
  line.parts[3] = {const_cast<char *>(address), std::strlen(address)};
  line.parts[4] = {line.separator, 2};
  line.parts[5] = {const_cast<char *>(timestamp), stamp};
  line.parts[6] = {line.newline, ends_line ? 0u : 1u};
}

}  // namespace

std::size_t log_line_size(int count, const char *stored, const char *address,
                          const char *timestamp) {
  LogLine line;
  make_line(line, count, stored, address, timestamp);
  std::size_t size = 0;
  for (const iovec &part : line.parts) size += part.iov_len;
  return size;
}

int open_log(int dir, const char *log) {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = openat(dir, log, kFlags);
  if (fd >= 0 || errno != ENOENT) return fd;
  fd = openat(dir, log, kFlags | O_CREAT | O_EXCL, kLogMode);
  if (fd >= 0 && fchmod(fd, kLogMode) != 0) {
    close(fd);
    unlinkat(dir, log, 0);
    return -1;
  }
  return fd;
}

bool append_log_line(int dir, const char *log, int count, const char *stored, const char *address,
                     const char *timestamp) {
  int fd = open_log(dir, log);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  LogLine line;
  make_line(line, count, stored, address, timestamp);
  bool ok = write_all(fd, line.parts, sizeof line.parts / sizeof line.parts[0]);
  if (!ok) ftruncate(fd, st.st_size);
  close(fd);
  return ok;
}
