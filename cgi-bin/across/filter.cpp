#include "cgi-bin/across/filter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

const char kFoulList[] = "../data/foul.language";
// Patterns this long or longer are longer than any word and match none.
constexpr std::size_t kPatternMax = 256;

// What separates patterns: white space as the POSIX locale has it, and a
// NUL byte too, so no pattern can hide an empty prefix.
bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
}

// Reads the whole list, when it is a regular file of at most kFoulListMax
// bytes that is not a symbolic link, into |text| (malloc'ed, the caller
// frees it). Never waits on a FIFO or a device. Returns the length, or
// -1 with |missing| telling whether there is no list at all.
long read_list(char *&text, bool &missing) {
  text = nullptr;
  int fd = open(kFoulList, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return -1;
  struct stat st;
  long length = -1;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= off_t{kFoulListMax})
    length = read_word_list(fd, static_cast<std::size_t>(st.st_size), text);
  close(fd);
  return length;
}

// Whether one of the patterns of |list| occurs in |word|.
bool any_pattern_in(std::string_view list, const char *word) {
  std::string_view text = word;
  std::size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && is_separator(list[at])) ++at;
    std::size_t end = at;
    while (end < list.size() && !is_separator(list[end])) ++end;
    std::size_t length = end - at;
    if (length > 0 && length < kPatternMax && text.find(list.substr(at, length)) != text.npos)
      return true;
    at = end;
  }
  return false;
}

}  // namespace

long read_word_list(int fd, std::size_t seen_size, char *&text) {
  // Room for one byte more than the list was seen to hold, grown while the
  // list still comes, up to one byte past the bound: a list that grew since
  // its size was seen is still read to its end, and one that grew past the
  // bound shows it.
  std::size_t room = seen_size + 1, got = 0;
  text = static_cast<char *>(std::malloc(room));
  ssize_t n = 1;
  while (text != nullptr && n != 0) {
    if (got == room) {
      if (room > kFoulListMax) break;
      room = room * 2 < kFoulListMax + 1 ? room * 2 : kFoulListMax + 1;
      char *grown = static_cast<char *>(std::realloc(text, room));
      if (grown == nullptr) {
        std::free(text);
        text = nullptr;
        break;
      }
      text = grown;
    }
    if ((n = read(fd, text + got, room - got)) > 0)
      got += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR)
      break;
  }
  return text != nullptr && n >= 0 && got <= kFoulListMax ? static_cast<long>(got) : -1;
}

int okay_word(const char *word, Edition edition) {
  if (edition == Edition::kCurrent && word[0] == '\0') return 0;
  char *text;
  bool missing;
  long length = read_list(text, missing);
  int result = length < 0 ? (missing ? 1 : 0)
                          : !any_pattern_in({text, static_cast<std::size_t>(length)}, word);
  std::free(text);
  return result;
}
