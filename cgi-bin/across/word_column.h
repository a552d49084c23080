// The word column of a log, as "cut -d, -f2 LOG | sort -bfu" makes it
// under LC_ALL=C: each line's second comma-separated field, sorted and
// without duplicates.
#ifndef CGI_BIN_ACROSS_WORD_COLUMN_H
#define CGI_BIN_ACROSS_WORD_COLUMN_H

#include <cstddef>
#include <string_view>

struct ColumnLine;

// The fields of a log: the bytes between the first and the second comma of
// each line, or the whole line when it has no comma, one after the other
// in |text|, without separators. Owned by the caller; release with
// free_word_column.
struct WordColumn {
  char *text = nullptr;
  std::size_t size = 0;
  std::size_t capacity = 0;
  ColumnLine *lines = nullptr;
  std::size_t count = 0;
  std::size_t line_capacity = 0;
};

// Reads the log open at |fd| to its end and appends its fields to |column|.
// A last line without a newline counts as a line. Only the fields are kept:
// memory grows with the words, not with the log. Returns false on a read
// error or when memory runs out.
bool read_word_column(int fd, WordColumn &column);

// Orders the lines as "sort -bfu" does in the C locale: compared after
// their leading blanks (spaces and tabs), 'a' to 'z' folded to upper case,
// byte by byte, a prefix before the longer line; of lines that compare
// equal only the first in log order stays.
void sort_word_column(WordColumn &column);

// Line |i| (below column.count) of |column|, without a newline.
std::string_view column_line(const WordColumn &column, std::size_t i);

void free_word_column(WordColumn &column);

#endif  // CGI_BIN_ACROSS_WORD_COLUMN_H
