#include "cgi-bin/across/store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "formlib/formlib.h"

namespace {

const char kCounter[] = "../data/across.cnt";
const char kLock[] = "../data/across.lock";
const char kAcceptedLog[] = "../data/across.log";
const char kRefusedLog[] = "../data/bad_across.log";
const char kFoulList[] = "../data/foul.language";
const char kTemp[] = "../data/temp";
const char kListCommand[] = "cut -d, -f2 ../data/across.log | sort -bfu >../data/temp";

// A counter file that exists but holds no usable count.
constexpr int kUnusable = -1;
// No counter file at all.
constexpr int kMissing = -2;

// White space as the POSIX locale has it.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What separates patterns: white space, and a NUL byte too, so no pattern
// can hide an empty prefix.
bool is_separator(int c) { return is_space(c) || c == '\0'; }

// Reads the count at the start of |f| as "%d" would (leading white space,
// an optional '+', decimal digits) but never overflows: a value above
// INT_MAX, a '-' sign, no digits or a read error give kUnusable.
int read_count(FILE *f) {
  int c = std::fgetc(f);
  while (is_space(c)) c = std::fgetc(f);
  if (c == '+') c = std::fgetc(f);
  long long n = -1;
  for (; c >= '0' && c <= '9'; c = std::fgetc(f)) {
    n = (n < 0 ? 0 : n * 10) + (c - '0');
    if (n > INT_MAX) return kUnusable;
  }
  return std::ferror(f) ? kUnusable : static_cast<int>(n);
}

// The count the counter file holds, kMissing when there is none, or
// kUnusable when it cannot be read or does not begin with a count.
int read_counter() {
  FILE *f = std::fopen(kCounter, "r");
  if (f == nullptr) return errno == ENOENT ? kMissing : kUnusable;
  int count = read_count(f);
  std::fclose(f);
  return count;
}

// Writes |count| to a new file beside the counter and renames it over the
// counter, so a crash or a full disk leaves the old count in place.
bool store_counter(int count) {
  char temp[] = "../data/across.cnt.XXXXXX";
  int fd = mkstemp(temp);
  if (fd < 0) return false;
  fchmod(fd, 0644);
  FILE *f = fdopen(fd, "w");
  if (f == nullptr) {
    close(fd);
    unlink(temp);
    return false;
  }
  bool ok = std::fprintf(f, "%06d\n\n", count) > 0 && std::fflush(f) == 0 && fsync(fd) == 0;
  ok = std::fclose(f) == 0 && ok;
  ok = ok && std::rename(temp, kCounter) == 0;
  if (!ok) unlink(temp);
  return ok;
}

// Reads the next pattern of the foul-language list into |pattern|; false at
// the end of the list. A pattern that does not fit comes back empty: it is
// longer than any word and so can occur in none.
bool next_pattern(FILE *list, char *pattern, std::size_t cap) {
  int c = std::fgetc(list);
  while (is_separator(c)) c = std::fgetc(list);
  if (c == EOF) return false;
  std::size_t len = 0;
  bool fits = true;
  for (; c != EOF && !is_separator(c); c = std::fgetc(list)) {
    if (len + 1 < cap)
      pattern[len++] = static_cast<char>(c);
    else
      fits = false;
  }
  pattern[fits ? len : 0] = '\0';
  return true;
}

// Opens the lock file for locking, also where it cannot be created or
// written (a read-only data directory that already holds it).
int open_lock_file() {
  int fd = open(kLock, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  return fd >= 0 ? fd : open(kLock, O_RDONLY | O_CLOEXEC);
}

// Copies the sorted word column to |out|, decoded and escaped. Reads of at
// most 254 bytes: a longer line is written in pieces. A last line without a
// newline is not written.
void copy_listing(FILE *temp, FILE *out) {
  char line[256];
  char shown[html_escaped_size(sizeof line)];
  while (std::fgets(line, 255, temp) != nullptr && !std::feof(temp)) {
    plustospace(line);
    unescape_url(line);
    std::fputs(html_escape(shown, line), out);
  }
}

}  // namespace

int lock_store() {
  int fd = open_lock_file();
  if (fd < 0) return -1;
  int locked;
  while ((locked = flock(fd, LOCK_EX)) < 0 && errno == EINTR) {
  }
  if (locked < 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void unlock_store(int lock) {
  if (lock >= 0) close(lock);
}

int update_counter(const char *raw_word) {
  int count = read_counter();
  if (count == kUnusable) return -1;
  if (count == kMissing) {
    count = 1;
  } else if (raw_word[0] != '\0') {
    if (count == INT_MAX) return -1;
    ++count;
  }
  store_counter(count);
  return count;
}

int okay_word(const char *word, Edition edition) {
  if (edition == Edition::kCurrent && word[0] == '\0') return 0;
  FILE *list = std::fopen(kFoulList, "r");
  if (list == nullptr) return 1;
  int result = 1;
  char pattern[256];
  while (result == 1 && next_pattern(list, pattern, sizeof pattern))
    if (pattern[0] != '\0' && std::strstr(word, pattern) != nullptr) result = 0;
  std::fclose(list);
  return result;
}

bool log_word(bool accepted, int count, const char *stored, const char *address,
              const char *timestamp) {
  FILE *log = std::fopen(accepted ? kAcceptedLog : kRefusedLog, "a");
  if (log == nullptr) return false;
  bool ok = std::fprintf(log, "%06d, %s, %s, %s", count, stored, address, timestamp) > 0;
  return std::fclose(log) == 0 && ok;
}

void list_words(FILE *out) {
  std::fflush(out);
  // The command's status says nothing useful: a missing log already gives
  // an empty temp file, and a temp file that cannot be made shows below.
  int status = std::system(kListCommand);
  (void)status;
  FILE *temp = std::fopen(kTemp, "r");
  if (temp == nullptr) {
    std::fputs("\n unable to access temp in list words\n", out);
    return;
  }
  copy_listing(temp, out);
  std::fclose(temp);
  unlink(kTemp);
}
