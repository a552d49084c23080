#include "fileio/replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

void remove_temp(const Replacement &r) {
  const int reason = errno;
  unlinkat(r.dir, r.temp, 0);
  errno = reason;
}

// Syncs the folder |dir|; the working directory (AT_FDCWD) is no
// descriptor, so it is opened for the sync.
int sync_folder(int dir) {
  if (dir != AT_FDCWD) return replacement_sync(dir);
  const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int result = replacement_sync(fd);
  const int reason = errno;
  close(fd);
  errno = reason;
  return result;
}

}  // namespace

int (*replacement_sync)(int fd) = fsync;

bool begin_replacement(Replacement &r, int dir, const char *temp, mode_t mode) {
  r.dir = dir;
  r.stream = nullptr;
  int length = std::snprintf(r.temp, sizeof r.temp, "%s", temp);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof r.temp) {
    errno = ENAMETOOLONG;
    return false;
  }
  int fd = openat(dir, r.temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return false;
  r.stream = fdopen(fd, "w");
  if (r.stream != nullptr) return true;
  const int reason = errno;
  close(fd);
  errno = reason;
  remove_temp(r);
  return false;
}

bool keep_attributes(const Replacement &r, const struct stat &old) {
  int fd = fileno(r.stream);
  // Only root may give a file away; a member of the old group may still
  // give it that group.
  if (fchown(fd, old.st_uid, old.st_gid) != 0) fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  return fchmod(fd, old.st_mode & 07777) == 0;
}

Replaced finish_replacement(Replacement &r, const char *name, Sync sync) {
  bool written = std::fflush(r.stream) == 0 && std::ferror(r.stream) == 0 &&
                 (sync == Sync::kNone || replacement_sync(fileno(r.stream)) == 0);
  if (!written) {
    abandon_replacement(r);
    return Replaced::kNotWritten;
  }
  bool closed = std::fclose(r.stream) == 0;
  r.stream = nullptr;
  if (!closed) {
    remove_temp(r);
    return Replaced::kNotWritten;
  }
  if (renameat(r.dir, r.temp, r.dir, name) != 0) {
    remove_temp(r);
    return Replaced::kNotRenamed;
  }
  if (sync == Sync::kFileAndFolder && sync_folder(r.dir) != 0) return Replaced::kNotWritten;
  return Replaced::kDone;
}

void abandon_replacement(Replacement &r) {
  if (r.stream != nullptr) {
    const int reason = errno;
    std::fclose(r.stream);
    errno = reason;
    r.stream = nullptr;
  }
  remove_temp(r);
}
