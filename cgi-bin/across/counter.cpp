#include "cgi-bin/across/counter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "cgi-bin/across/logs.h"
#include "fileio/replace.h"

namespace {

const char kCounterTemp[] = "across.cnt.update";

// Data files: never through a symbolic link, never waiting on a FIFO.
constexpr int kDataFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// White space as the POSIX locale has it.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the count at the start of |f| as "%d" would but never overflows: a
// value above INT_MAX, a '-' sign, no digits or a read error give
// kCounterUnusable.
int read_count(FILE *f) {
  int c = std::fgetc(f);
  while (is_space(c)) c = std::fgetc(f);
  if (c == '+') c = std::fgetc(f);
  long long n = -1;
  for (; c >= '0' && c <= '9'; c = std::fgetc(f)) {
    n = (n < 0 ? 0 : n * 10) + (c - '0');
    if (n > INT_MAX) return kCounterUnusable;
  }
  return std::ferror(f) ? kCounterUnusable : static_cast<int>(n);
}

// Writes |text| over the start of the counter and cuts the counter to its
// length, then syncs it. The counter stays the same file, with its links,
// owner and permissions.
bool rewrite_in_place(int dir, const char *text, std::size_t size) {
  int fd = openat(dir, kCounterFile, O_WRONLY | kDataFlags);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ssize_t n = -1;
  while (ok && (n = pwrite(fd, text, size, 0)) < 0 && errno == EINTR) {
  }
  ok = ok && n == static_cast<ssize_t>(size) && ftruncate(fd, static_cast<off_t>(size)) == 0 &&
       fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

}  // namespace

int read_counter(int dir) {
  int fd = openat(dir, kCounterFile, O_RDONLY | kDataFlags);
  if (fd < 0) return errno == ENOENT ? kCounterMissing : kCounterUnusable;
  struct stat st;
  FILE *f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "r") : nullptr;
  if (f == nullptr) {
    close(fd);
    return kCounterUnusable;
  }
  int count = read_count(f);
  std::fclose(f);
  return count;
}

bool store_counter(int dir, int count) {
  char text[32];
  std::size_t size = static_cast<std::size_t>(std::snprintf(text, sizeof text, "%06d\n\n", count));
  struct stat old;
  bool exists = fstatat(dir, kCounterFile, &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && !S_ISREG(old.st_mode)) return false;
  if (exists && old.st_nlink > 1) return rewrite_in_place(dir, text, size);
  unlinkat(dir, kCounterTemp, 0);
  Replacement r;
  if (!begin_replacement(r, dir, kCounterTemp, kLogMode))
    return exists && rewrite_in_place(dir, text, size);
  if ((exists ? !keep_attributes(r, old) : fchmod(fileno(r.stream), kLogMode) != 0) ||
      std::fwrite(text, 1, size, r.stream) != size) {
    abandon_replacement(r);
    return false;
  }
  return finish_replacement(r, kCounterFile, Sync::kFileAndFolder) == Replaced::kDone;
}
