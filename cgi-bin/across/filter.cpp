#include "cgi-bin/across/filter.h"

#include <cstdio>
#include <cstring>

namespace {

const char kFoulList[] = "../data/foul.language";

// What separates patterns: white space as the POSIX locale has it, and a
// NUL byte too, so no pattern can hide an empty prefix.
bool is_separator(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
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

}  // namespace

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
