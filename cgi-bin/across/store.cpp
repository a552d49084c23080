#include "cgi-bin/across/store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "formlib/formlib.h"

namespace {

// Names inside the data directory.
const char kDataDir[] = "../data";
const char kCounter[] = "across.cnt";
const char kCounterTemp[] = "across.cnt.update";
const char kCounterTempPrefix[] = "across.cnt.";
const char kAcceptedLog[] = "across.log";
const char kRefusedLog[] = "bad_across.log";
const char kFoulList[] = "../data/foul.language";

// A counter file that exists but holds no usable count.
constexpr int kUnusable = -1;
// No counter file at all.
constexpr int kMissing = -2;

// Data files: never through a symbolic link, never waiting on a FIFO.
constexpr int kDataFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// White space as the POSIX locale has it.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// What separates patterns: white space, and a NUL byte too, so no pattern
// can hide an empty prefix.
bool is_separator(int c) { return is_space(c) || c == '\0'; }

int flock_retrying(int fd, int operation) {
  int result;
  while ((result = flock(fd, operation)) < 0 && errno == EINTR) {
  }
  return result;
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

// ---- counter ----------------------------------------------------------------

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
// kUnusable when it cannot be read (no permission, a directory, a link) or
// does not begin with a count.
int read_counter(int dir) {
  int fd = openat(dir, kCounter, O_RDONLY | kDataFlags);
  if (fd < 0) return errno == ENOENT ? kMissing : kUnusable;
  struct stat st;
  FILE *f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "r") : nullptr;
  if (f == nullptr) {
    close(fd);
    return kUnusable;
  }
  int count = read_count(f);
  std::fclose(f);
  return count;
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
// Only under the exclusive lock: nobody else is writing one then.
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

// Writes |count| to a new file beside the counter, syncs it and renames it
// over the counter, then syncs the directory: the count is on disk before
// any log line carries it, and a crash or a full disk leaves the old count.
bool store_counter(int dir, int count) {
  remove_counter_temps(dir);
  int fd = openat(dir, kCounterTemp, O_WRONLY | O_CREAT | O_EXCL | kDataFlags, 0644);
  if (fd < 0) return false;
  fchmod(fd, 0644);
  char text[32];
  int size = std::snprintf(text, sizeof text, "%06d\n\n", count);
  bool ok = write_all(fd, text, static_cast<std::size_t>(size)) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && renameat(dir, kCounterTemp, dir, kCounter) == 0;
  if (!ok) {
    unlinkat(dir, kCounterTemp, 0);
    return false;
  }
  return fsync(dir) == 0;
}

// Puts the counter back as it was before this request raised it.
void restore_counter(int dir, int old) {
  if (old == kMissing)
    unlinkat(dir, kCounter, 0);
  else
    store_counter(dir, old);
}

// ---- logs -------------------------------------------------------------------

// Appends the log line in one go; a write cut short (full disk, file size
// limit) is cut back to the old end, so the log never keeps half a line.
bool append_log_line(int dir, const char *log, int count, const char *stored, const char *address,
                     const char *timestamp) {
  int fd = openat(dir, log, O_WRONLY | O_APPEND | O_CREAT | kDataFlags, 0666);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  char head[32];
  std::snprintf(head, sizeof head, "%06d, ", count);
  std::size_t stamp = std::strlen(timestamp);
  bool ends_line = stamp > 0 && timestamp[stamp - 1] == '\n';
  char separator[] = ", ";
  char newline[] = "\n";
  iovec parts[] = {{head, std::strlen(head)},
                   {const_cast<char *>(stored), std::strlen(stored)},
                   {separator, 2},
                   {const_cast<char *>(address), std::strlen(address)},
                   {separator, 2},
                   {const_cast<char *>(timestamp), stamp},
                   {newline, ends_line ? 0u : 1u}};
  bool ok = write_all(fd, parts, sizeof parts / sizeof parts[0]);
  if (!ok) ftruncate(fd, st.st_size);
  close(fd);
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

// ---- word column ------------------------------------------------------------

// Reads go straight into the column's free space, at least this much.
constexpr std::size_t kReadChunk = 256 * 1024;
constexpr std::size_t kFirstLines = 4096;
// The listing decodes a line in pieces of at most this many bytes, as its
// line reads always took them (fgets with room for 254).
constexpr std::size_t kListingPiece = 254;

// Where the field extraction stands between two reads: the current line's
// field starts at |line_start| of the text; |commas| seen so far; whether
// the line has any byte yet (a last line without a newline still counts).
struct FieldScan {
  std::size_t line_start = 0;
  int commas = 0;
  bool open = false;
};

bool grow_text(WordColumn &column, std::size_t need) {
  if (column.capacity - column.size >= need) return true;
  std::size_t capacity = std::max(column.capacity * 2, column.size + need);
  char *text = static_cast<char *>(std::realloc(column.text, capacity));
  if (text == nullptr) return false;
  column.text = text;
  column.capacity = capacity;
  return true;
}

bool end_line(WordColumn &column, FieldScan &scan) {
  if (column.count == column.line_capacity) {
    std::size_t capacity = std::max(column.line_capacity * 2, kFirstLines);
    void *lines = std::realloc(column.lines, capacity * sizeof(ColumnLine));
    if (lines == nullptr) return false;
    column.lines = static_cast<ColumnLine *>(lines);
    column.line_capacity = capacity;
  }
  column.lines[column.count++] = ColumnLine{{0, 0}, scan.line_start, column.size};
  scan = FieldScan{column.size, 0, false};
  return true;
}

// Cuts the fields out of the |n| bytes just read at the column's end, in
// place: the field bytes move down to column.size, which never passes the
// byte being read. Bytes before the first comma are kept until the comma
// comes, since a line without one is its own field.
bool scan_fields(WordColumn &column, std::size_t n, FieldScan &scan) {
  char *text = column.text;
  std::size_t at = column.size;
  std::size_t end = at + n;
  while (at < end) {
    const void *newline = std::memchr(text + at, '\n', end - at);
    std::size_t stop = newline ? static_cast<const char *>(newline) - text : end;
    scan.open = scan.open || at < stop;
    while (at < stop && scan.commas < 2) {
      const void *comma = std::memchr(text + at, ',', stop - at);
      std::size_t piece = (comma ? static_cast<const char *>(comma) - text : stop) - at;
      std::memmove(text + column.size, text + at, piece);
      column.size += piece;
      at += piece;
      if (comma != nullptr) {
        ++at;
        if (++scan.commas == 1) column.size = scan.line_start;
      }
    }
    at = stop;
    if (newline != nullptr) {
      if (!end_line(column, scan)) return false;
      ++at;
    }
  }
  return true;
}

unsigned char fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

// The line's sort key: the line after its leading blanks.
const char *key_start(const char *text, const ColumnLine &line, std::size_t &length) {
  const char *p = text + line.begin;
  const char *end = text + line.end;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  length = static_cast<std::size_t>(end - p);
  return p;
}

// Fills |line|'s in-line key (see ColumnLine).
void set_key(const char *text, ColumnLine &line) {
  std::size_t length;
  const char *key = key_start(text, line, length);
  bool whole = length <= 15;
  std::uint64_t word[2] = {0, 0};
  for (std::size_t i = 0; i < 15; ++i) {
    unsigned char c = i < length ? fold(key[i]) : 0;
    whole = whole && (i >= length || c != 0);
    word[i / 8] = word[i / 8] << 8 | c;
  }
  line.key[0] = word[0];
  line.key[1] = word[1] << 8 | (whole ? 1u : 0u);
}

int compare_keys(const char *text, const ColumnLine &a, const ColumnLine &b) {
  std::size_t length_a, length_b;
  const char *key_a = key_start(text, a, length_a);
  const char *key_b = key_start(text, b, length_b);
  std::size_t common = std::min(length_a, length_b);
  for (std::size_t i = 0; i < common; ++i)
    if (int diff = fold(key_a[i]) - fold(key_b[i])) return diff;
  return length_a < length_b ? -1 : length_a > length_b;
}

// Writes one piece of a listed line into |buffer|, decoded on its own (an
// escape split between two pieces stays as it is, and a NUL byte ends the
// piece) and escaped, so the page shows a log as it always has. The piece
// is |size| bytes of |bytes|, then a newline when |ends_line|. Returns the
// length written.
std::size_t show_piece(char *buffer, std::size_t room, const char *bytes, std::size_t size,
                       bool ends_line) {
  char piece[kListingPiece + 1];
  std::memcpy(piece, bytes, size);
  if (ends_line) piece[size++] = '\n';
  piece[size] = '\0';
  plustospace(piece);
  unescape_url(piece);
  return std::strlen(html_escape(buffer, room, piece));
}

}  // namespace

// ---- store ------------------------------------------------------------------

void open_store(WordStore &store) {
  store.dir = open(kDataDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  store.locked = store.dir >= 0 && flock_retrying(store.dir, LOCK_EX) == 0;
}

void share_store(WordStore &store) {
  // Should the conversion fail the lock stays exclusive, which is safe.
  if (store.locked) flock_retrying(store.dir, LOCK_SH);
}

void close_store(WordStore &store) {
  if (store.dir >= 0) close(store.dir);
  store = WordStore{};
}

bool record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                 const char *timestamp) {
  bool word = stored[0] != '\0';
  if (!store.locked) return !word;
  int old = read_counter(store.dir);
  if (!word) {
    if (old == kMissing) store_counter(store.dir, 1);
    return true;
  }
  if (old == kUnusable || old == INT_MAX) return false;
  int count = old == kMissing ? 1 : old + 1;
  if (!store_counter(store.dir, count)) return false;
  const char *log = accepted ? kAcceptedLog : kRefusedLog;
  if (append_log_line(store.dir, log, count, stored, address, timestamp)) return true;
  restore_counter(store.dir, old);
  return false;
}

int okay_word(const char *word, Edition edition) {
  if (edition == Edition::kCurrent && word[0] == '\0') return 0;
  // The maintainer's list is only read, so it may be a link to a shared one.
  FILE *list = std::fopen(kFoulList, "re");
  if (list == nullptr) return 1;
  int result = 1;
  char pattern[256];
  while (result == 1 && next_pattern(list, pattern, sizeof pattern))
    if (pattern[0] != '\0' && std::strstr(word, pattern) != nullptr) result = 0;
  std::fclose(list);
  return result;
}

// ---- listing ----------------------------------------------------------------

bool read_word_column(int fd, WordColumn &column) {
  FieldScan scan{column.size, 0, false};
  for (;;) {
    if (!grow_text(column, kReadChunk)) return false;
    ssize_t n = read(fd, column.text + column.size, column.capacity - column.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (!scan_fields(column, static_cast<std::size_t>(n), scan)) return false;
  }
  return !scan.open || end_line(column, scan);
}

bool collect_words(const WordStore &store, WordColumn &column) {
  if (store.dir < 0) return false;
  int fd = openat(store.dir, kAcceptedLog, O_RDONLY | kDataFlags);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && read_word_column(fd, column);
  close(fd);
  return ok;
}

// The order of two keys: their in-line starts decide, unless they are
// equal and one of them is longer; then the text does.
int compare_lines(const char *text, const ColumnLine &a, const ColumnLine &b) {
  if (a.key[0] != b.key[0]) return a.key[0] < b.key[0] ? -1 : 1;
  if (a.key[1] >> 8 != b.key[1] >> 8) return a.key[1] >> 8 < b.key[1] >> 8 ? -1 : 1;
  return a.key[1] & b.key[1] & 1 ? 0 : compare_keys(text, a, b);
}

// An index sort with the log position as the last key: equal keys keep
// their log order, so the first of each run is the first logged.
void sort_word_column(WordColumn &column) {
  const char *text = column.text;
  ColumnLine *lines = column.lines;
  for (std::size_t i = 0; i < column.count; ++i) set_key(text, lines[i]);
  std::sort(lines, lines + column.count, [text](const ColumnLine &a, const ColumnLine &b) {
    if (int diff = compare_lines(text, a, b)) return diff < 0;
    return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < column.count; ++i)
    if (kept == 0 || compare_lines(text, lines[kept - 1], lines[i]) != 0) lines[kept++] = lines[i];
  column.count = kept;
}

void write_word_column(FILE *out, const WordColumn &column) {
  for (std::size_t i = 0; i < column.count; ++i) {
    const ColumnLine &line = column.lines[i];
    std::fwrite(column.text + line.begin, 1, line.end - line.begin, out);
    std::fputc('\n', out);
  }
}

void list_words(FILE *out, WordColumn &column, bool collected) {
  if (!collected) {
    std::fputs("\n unable to access temp in list words\n", out);
    return;
  }
  sort_word_column(column);
  // The page's stream may be unbuffered: write in large blocks.
  char buffer[16384];
  constexpr std::size_t kPieceRoom = html_escaped_size(kListingPiece);
  std::size_t used = 0;
  for (std::size_t i = 0; i < column.count; ++i) {
    const ColumnLine &line = column.lines[i];
    const char *text = column.text + line.begin;
    std::size_t length = line.end - line.begin;
    // Pieces of the line and its newline, 254 bytes at a time.
    for (std::size_t at = 0; at <= length; at += kListingPiece) {
      if (sizeof buffer - used < kPieceRoom) {
        std::fwrite(buffer, 1, used, out);
        used = 0;
      }
      std::size_t take = std::min(kListingPiece, length + 1 - at);
      std::size_t bytes = std::min(take, length - at);
      used += show_piece(buffer + used, sizeof buffer - used, text + at, bytes, bytes < take);
    }
  }
  std::fwrite(buffer, 1, used, out);
}

void free_word_column(WordColumn &column) {
  std::free(column.text);
  std::free(column.lines);
  column = WordColumn{};
}
