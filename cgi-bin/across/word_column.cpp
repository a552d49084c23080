#include "cgi-bin/across/word_column.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// One line of the column: bytes [begin, end) of the column's text, and
// (once sort_word_column has set it) the start of its sort key, in two
// words: the first 15 bytes folded, big-endian, zero-padded, and a last
// byte that is 1 when those bytes are the whole key (at most 15 bytes, no
// NUL among them), so that most comparisons never look at the text.
struct ColumnLine {
  std::uint64_t key[2];
  std::size_t begin;
  std::size_t end;
};

namespace {

// Reads go straight into the column's free space: this much at first, then
// as much as the column holds, so a short log takes little memory and a long
// one few reads and reallocations.
constexpr std::size_t kFirstRead = 16 * 1024;
constexpr std::size_t kFirstLines = 256;

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

// The order of two keys: their in-line starts decide, unless they are
// equal and one of them is longer; then the text does.
int compare_lines(const char *text, const ColumnLine &a, const ColumnLine &b) {
  if (a.key[0] != b.key[0]) return a.key[0] < b.key[0] ? -1 : 1;
  if (a.key[1] >> 8 != b.key[1] >> 8) return a.key[1] >> 8 < b.key[1] >> 8 ? -1 : 1;
  return a.key[1] & b.key[1] & 1 ? 0 : compare_keys(text, a, b);
}

}  // namespace

bool read_word_column(int fd, WordColumn &column) {
  FieldScan scan{column.size, 0, false};
  for (;;) {
    if (!grow_text(column, std::max(kFirstRead, column.size))) return false;
    ssize_t n = read(fd, column.text + column.size, column.capacity - column.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (!scan_fields(column, static_cast<std::size_t>(n), scan)) return false;
  }
  return !scan.open || end_line(column, scan);
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

std::string_view column_line(const WordColumn &column, std::size_t i) {
  const ColumnLine &line = column.lines[i];
  return {column.text + line.begin, line.end - line.begin};
}

void free_word_column(WordColumn &column) {
  std::free(column.text);
  std::free(column.lines);
  column = WordColumn{};
}
