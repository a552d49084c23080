#include "cgi-bin/across/counter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

const char kCounterTemp[] = "across.cnt.update";
const char kCounterTempPrefix[] = "across.cnt.";

// White space as the POSIX locale has it.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool write_all(int fd, const char *text, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, text, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
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

// "across.cnt." and six letters or digits: the shape of every temporary
// counter this store has made.
bool is_counter_temp(const char *name) {
  std::size_t prefix = sizeof kCounterTempPrefix - 1;
  if (std::strncmp(name, kCounterTempPrefix, prefix) != 0) return false;
  for (std::size_t i = prefix; i < prefix + 6; ++i)
    if (!is_ascii_alnum(name[i])) return false;
  return name[prefix + 6] == '\0';
}

// Removes the temporaries of requests killed while they wrote the counter.
void remove_counter_temps(int dir) {
  int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR *listing = fdopendir(fd);
  if (listing == nullptr) {
    close(fd);
    return;
  }
  while (const dirent *entry = readdir(listing))
    if (is_counter_temp(entry->d_name)) unlinkat(dir, entry->d_name, 0);
  closedir(listing);
}

}  // namespace

int read_counter(int dir) {
  int fd = openat(dir, kCounterFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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
  remove_counter_temps(dir);
  int fd = openat(dir, kCounterTemp,
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  fchmod(fd, 0644);
  char text[32];
  int size = std::snprintf(text, sizeof text, "%06d\n\n", count);
  bool ok = write_all(fd, text, static_cast<std::size_t>(size)) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && renameat(dir, kCounterTemp, dir, kCounterFile) == 0;
  if (!ok) {
    unlinkat(dir, kCounterTemp, 0);
    return false;
  }
  return fsync(dir) == 0;
}
