#include "cgi-bin/across/listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cgi-bin/across/logs.h"
#include "formlib/formlib.h"

namespace {

// The listing decodes a line in pieces of at most this many bytes, as its
// line reads always took them (fgets with room for 254).
constexpr std::size_t kListingPiece = 254;

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

bool collect_words(const WordStore &store, WordColumn &column) {
  if (!store.locked) return false;
  int fd = openat(store.dir, kAcceptedLog, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && read_word_column(fd, column);
  close(fd);
  return ok;
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
    std::string_view line = column_line(column, i);
    // Pieces of the line and its newline, 254 bytes at a time.
    for (std::size_t at = 0; at <= line.size(); at += kListingPiece) {
      if (sizeof buffer - used < kPieceRoom) {
        std::fwrite(buffer, 1, used, out);
        used = 0;
      }
      std::size_t take = std::min(kListingPiece, line.size() + 1 - at);
      std::size_t bytes = std::min(take, line.size() - at);
      used +=
          show_piece(buffer + used, sizeof buffer - used, line.data() + at, bytes, bytes < take);
    }
  }
  std::fwrite(buffer, 1, used, out);
}
