#include "formlib/formlib.h"

#include <cstdlib>
#include <cstring>

namespace {

// The shell metacharacters that escape_shell_cmd protects.
constexpr char kShellMeta[] = "&;`'\"|*?~<>^()[]{}$\\";

// Length of the word at the front of |line|: the bytes before |stop| or
// the terminator.
std::size_t word_length(const char *line, char stop) {
  std::size_t n = 0;
  while (line[n] != '\0' && line[n] != stop) ++n;
  return n;
}

// Drops the first |n| bytes of |line|, and the stop character after them
// if there is one, by moving the rest (terminator included) to the front.
void drop_front(char *line, std::size_t n, char stop) {
  if (line[n] != '\0' && line[n] == stop) ++n;
  std::memmove(line, line + n, std::strlen(line + n) + 1);
}

}  // namespace

void getword(char *word, std::size_t cap, char *line, char stop) {
  if (cap == 0) return;
  std::size_t n = word_length(line, stop);
  if (n >= cap) {
    // No room for the whole word: hand out what fits and leave the rest,
    // stop character included, for the next call.
    n = cap - 1;
    std::memcpy(word, line, n);
    word[n] = '\0';
    std::memmove(line, line + n, std::strlen(line + n) + 1);
    return;
  }
  std::memcpy(word, line, n);
  word[n] = '\0';
  drop_front(line, n, stop);
}

char *makeword(char *line, char stop) {
  char *word = static_cast<char *>(std::malloc(std::strlen(line) + 1));
  if (word == nullptr) return nullptr;
  std::size_t n = word_length(line, stop);
  std::memcpy(word, line, n);
  word[n] = '\0';
  drop_front(line, n, stop);
  return word;
}

int ind(const char *s, char c) {
  for (int i = 0; s[i] != '\0'; ++i)
    if (s[i] == c) return i;
  return -1;
}

int rind(const char *s, char c) {
  for (int i = static_cast<int>(std::strlen(s)) - 1; i >= 0; --i)
    if (s[i] == c) return i;
  return -1;
}

void escape_shell_cmd(char *cmd, std::size_t cap) {
  if (cap == 0) return;
  std::size_t len = strnlen(cmd, cap);
  if (len == cap) cmd[--len] = '\0';  // unterminated: keep what fits
  for (std::size_t x = 0; x < len; ++x) {
    if (ind(kShellMeta, cmd[x]) == -1) continue;
    if (len + 2 > cap) {
      cmd[x] = '\0';  // no room for the backslash: cut before this byte
      return;
    }
    std::memmove(cmd + x + 1, cmd + x, len - x + 1);
    cmd[x] = '\\';
    ++len;
    ++x;  // skip the escaped byte
  }
}
