// Replacing a file whole: the new content goes to a temporary file in the
// same folder, which is renamed over the file only once it is complete, so
// a reader sees the old file or the new one and a failed write (a full
// disk) leaves the old one as it was.
#ifndef FILEIO_REPLACE_H
#define FILEIO_REPLACE_H

#include <sys/stat.h>

#include <cstdio>

// A temporary file being written, and where it will go.
struct Replacement {
  int dir = -1;            // the folder of both names (AT_FDCWD: the working directory)
  FILE *stream = nullptr;  // the temporary, open for writing
  char temp[4096] = {};    // its name relative to |dir|
};

// Creates |temp| in |dir| as a new file with |mode| (less the umask) and
// opens |r.stream| on it. It must not exist yet, and a symbolic link of that
// name is never followed. Returns false with errno set (EEXIST when the
// name is taken, ENAMETOOLONG when it does not fit |r.temp|).
bool begin_replacement(Replacement &r, int dir, const char *temp, mode_t mode);

// Gives the temporary the owner and group of |old| where the process may
// (each on its own), and |old|'s permission bits. Returns false when the
// permission bits could not be set.
bool keep_attributes(const Replacement &r, const struct stat &old);

// How much finish_replacement syncs: nothing (build output a new build
// mends), the file, or the file and then the folder, so that the new name
// is on disk too before the caller goes on.
enum class Sync { kNone, kFile, kFileAndFolder };

// What finish_replacement syncs the temporary and the folder with: fsync.
// A test may put its own here to see what is synced, or to fail a sync.
extern int (*replacement_sync)(int fd);

// How a replacement ended.
enum class Replaced { kDone, kNotWritten, kNotRenamed };

// Flushes and closes the temporary (syncing as |sync| says) and renames it
// over |name| in the same folder. On any failure the temporary is removed,
// |name| is left as it was (kNotWritten: a write, flush, sync or close
// failed; kNotRenamed: the rename failed) and errno tells why. A failed
// sync of the folder after the rename is kNotWritten too: the new file is
// in place, but perhaps not yet on disk.
Replaced finish_replacement(Replacement &r, const char *name, Sync sync);

// Closes and removes the temporary; errno is kept, for the report of the
// failure that led here.
void abandon_replacement(Replacement &r);

#endif  // FILEIO_REPLACE_H
