#include "formlib/formlib.h"

#include <cstdlib>

namespace {

constexpr std::size_t kWordStep = 102400;

}  // namespace

// The buffer grows by kWordStep bytes each time a byte lands on its last
// index, so a long word costs few reallocations.
char *fmakeword(FILE *stream, char stop, int *budget) {
  std::size_t size = kWordStep + 1;
  char *word = static_cast<char *>(std::malloc(size));
  if (word == nullptr) return nullptr;
  for (std::size_t ll = 0;; ++ll) {
    int c = std::fgetc(stream);
    --*budget;
    if (c == EOF) {
      word[ll] = '\0';
      return word;
    }
    word[ll] = static_cast<char>(c);
    if (ll == size - 1) {
      char *grown = static_cast<char *>(std::realloc(word, size + kWordStep));
      if (grown == nullptr) {
        std::free(word);
        return nullptr;
      }
      word = grown;
      size += kWordStep;
    }
    if (word[ll] == stop) {
      word[ll] = '\0';
      return word;
    }
    if (*budget == 0) {
      word[ll + 1] = '\0';
      return word;
    }
  }
}

int qeld_getline(char *line, int n, FILE *stream) {
  if (n < 1) return std::feof(stream) || std::ferror(stream) ? 1 : 0;
  for (int i = 0;; ++i) {
    int c = std::fgetc(stream);
    if (c == '\r') c = std::fgetc(stream);
    if (c == EOF) {
      line[i] = '\0';
      return 1;
    }
    if (c == 0x04 || c == '\n' || i == n - 1) {
      line[i] = '\0';
      return std::feof(stream) ? 1 : 0;
    }
    line[i] = static_cast<char>(c);
  }
}

void send_fd(FILE *from, FILE *to) {
  for (int c; (c = std::fgetc(from)) != EOF;)
    if (std::fputc(c, to) == EOF) return;
}
