#include "tools/across-admin/admin.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "cgi-bin/across/logs.h"
#include "cgi-bin/across/store.h"
#include "fileio/replace.h"
#include "fileio/report.h"
#include "formlib/formlib.h"

namespace {

const char kProgram[] = "across-admin";
const char kLogTemp[] = "across.log.update";

// The accepted-words log, read whole: |text| (malloc'ed; the caller frees
// it) of |size| bytes, and the file's status.
struct LogText {
  char *text = nullptr;
  std::size_t size = 0;
  struct stat st = {};
};

// Reads the accepted-words log of |dir| into |log|; a missing log is empty
// (st_mode 0). Never through a link, never waiting on a FIFO.
bool read_log(int dir, LogText &log, FILE *err) {
  int fd = openat(dir, kAcceptedLog, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || report_errno(err, kProgram, "read", kAcceptedLog);
  bool ok = fstat(fd, &log.st) == 0;
  if (ok && !S_ISREG(log.st.st_mode)) {
    errno = EINVAL;
    ok = false;
  }
  std::size_t room = ok ? static_cast<std::size_t>(log.st.st_size) + 1 : 0;
  log.text = ok ? static_cast<char *>(std::malloc(room)) : nullptr;
  ok = ok && log.text != nullptr;
  for (ssize_t n = 1; ok && n != 0;) {
    if (log.size == room) {
      char *grown = static_cast<char *>(std::realloc(log.text, room *= 2));
      if (grown == nullptr) {
        ok = false;
        break;
      }
      log.text = grown;
    }
    n = read(fd, log.text + log.size, room - log.size);
    if (n > 0) log.size += static_cast<std::size_t>(n);
    if (n < 0 && errno != EINTR) ok = false;
  }
  close(fd);
  return ok || report_errno(err, kProgram, "read", kAcceptedLog);
}

// Calls |visit|(line) for each line of |text|, its newline included (a
// last line may have none).
template <class Visit>
void each_line(const char *text, std::size_t size, const Visit &visit) {
  for (std::size_t at = 0; at < size;) {
    const void *newline = std::memchr(text + at, '\n', size - at);
    std::size_t end = newline ? static_cast<const char *>(newline) - text + 1 : size;
    visit(std::string_view(text + at, end - at));
    at = end;
  }
}

// A line's word as the log keeps it: between its first and second comma,
// or the whole line (without its newline) when it has no comma.
std::string_view field_of(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  std::size_t comma = line.find(',');
  if (comma == line.npos) return line;
  line.remove_prefix(comma + 1);
  return line.substr(0, line.find(','));
}

std::string_view without_blanks(std::string_view word) {
  while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
  return word;
}

// The word as the listing shows it ('+' and '%' decoded), without its
// leading blanks; cut to the buffer.
std::string shown_word(std::string_view field) {
  char piece[1024];
  std::size_t n = field.size() < sizeof piece ? field.size() : sizeof piece - 1;
  std::memcpy(piece, field.data(), n);
  piece[n] = '\0';
  plustospace(piece);
  unescape_url(piece);
  return std::string(without_blanks(piece));
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The listing's sort key: leading blanks skipped, 'a' to 'z' folded.
std::string folded(std::string_view word) {
  std::string key(without_blanks(word));
  for (char &c : key) c = upper(c);
  return key;
}

bool write_all(int fd, const char *data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Appends |lines| to the removed lines' log and syncs it; |old_size| is its
// size before, for taking the append back. Returns the descriptor, or -1
// after a report (nothing appended).
int keep_removed(int dir, const std::string &lines, off_t &old_size, FILE *err) {
  int fd = open_log(dir, kRemovedLog);
  if (fd < 0) {
    report_errno(err, kProgram, "open", kRemovedLog);
    return -1;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  old_size = ok ? st.st_size : 0;
  if (ok && write_all(fd, lines.data(), lines.size()) && fsync(fd) == 0) return fd;
  report_errno(err, kProgram, "append to", kRemovedLog);
  if (ok) ftruncate(fd, old_size);
  close(fd);
  return -1;
}

// Writes |kept| over the log through a temporary file with the old log's
// attributes, synced with its folder.
bool replace_log(int dir, const std::string &kept, const struct stat &old, FILE *err) {
  unlinkat(dir, kLogTemp, 0);
  Replacement r;
  if (!begin_replacement(r, dir, kLogTemp, kLogMode))
    return report_errno(err, kProgram, "create", kLogTemp);
  if (!(S_ISREG(old.st_mode) ? keep_attributes(r, old) : fchmod(fileno(r.stream), kLogMode) == 0) ||
      std::fwrite(kept.data(), 1, kept.size(), r.stream) != kept.size()) {
    abandon_replacement(r);
    return report_errno(err, kProgram, "write", kLogTemp);
  }
  return finish_replacement_reported(r, kAcceptedLog, Sync::kFileAndFolder, err, kProgram,
                                     "replace");
}

bool matches(std::string_view line, const char *const *words, int count) {
  std::string key = folded(shown_word(field_of(line)));
  for (int i = 0; i < count; ++i)
    if (key == folded(words[i])) return true;
  return false;
}

}  // namespace

int open_data_dir(const char *path, FILE *err) {
  int dir = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st;
  if (dir < 0 || fstat(dir, &st) != 0) {
    report_errno(err, kProgram, "open the data directory", path);
    if (dir >= 0) close(dir);
    return -1;
  }
  if (geteuid() == 0 && st.st_uid != 0) {
    // Root acts as the directory's owner: the files it writes stay the
    // owner's, and no link the owner planted gives root's rights away.
    if (setgroups(0, nullptr) != 0 || setgid(st.st_gid) != 0 || setuid(st.st_uid) != 0) {
      std::fprintf(err,
                   "%s: cannot act as the owner (uid %u) of %s: %s; run it as that user, "
                   "e.g. runuser -u OWNER -- across-admin %s ...\n",
                   kProgram, static_cast<unsigned>(st.st_uid), path, std::strerror(errno), path);
      close(dir);
      return -1;
    }
  }
  return dir;
}

int list_words_of(int dir, FILE *out, FILE *err) {
  LogText log;
  if (!read_log(dir, log, err)) return 1;
  // Each distinct word under its sort key: the first line's shown word
  // (as the listing keeps the first) and the number of lines.
  std::map<std::string, std::pair<std::string, std::size_t>> words;
  each_line(log.text, log.size, [&](std::string_view line) {
    std::string_view field = field_of(line);
    auto [entry, added] = words.try_emplace(folded(field), std::string(), 0);
    if (added) entry->second.first = shown_word(field);
    ++entry->second.second;
  });
  std::free(log.text);
  for (const auto &[key, word] : words)
    std::fprintf(out, "%zu\t%s\n", word.second, word.first.c_str());
  return 0;
}

int remove_words(int dir, const char *const *words, int count, FILE *out, FILE *err) {
  WordStore store;
  int own = dup(dir);
  if (own < 0 || !lock_store(store, own)) {
    std::fprintf(err, "%s: the guest book's lock was not free within 3 s; try again\n", kProgram);
    close_store(store);
    return 1;
  }
  LogText log;
  bool ok = read_log(store.dir, log, err);
  std::string kept, removed;
  std::size_t lines = 0;
  if (ok)
    each_line(log.text, log.size, [&](std::string_view line) {
      bool taken = matches(line, words, count);
      (taken ? removed : kept).append(line);
      if (taken && !line.ends_with('\n')) removed += '\n';
      lines += taken;
    });
  std::free(log.text);
  if (ok && lines > 0) {
    off_t old_size = 0;
    int fd = keep_removed(store.dir, removed, old_size, err);
    ok = fd >= 0;
    if (ok && !replace_log(store.dir, kept, log.st, err)) {
      ok = false;
      ftruncate(fd, old_size);
      fsync(fd);
    }
    if (fd >= 0) close(fd);
  }
  close_store(store);
  if (ok) std::fprintf(out, "removed %zu line%s\n", lines, lines == 1 ? "" : "s");
  return ok ? 0 : 1;
}
