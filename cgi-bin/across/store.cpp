#include "cgi-bin/across/store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "cgi-bin/across/counter.h"
#include "cgi-bin/across/logs.h"

namespace {

const char kDataDir[] = "../data";

int flock_retrying(int fd, int operation) {
  int result;
  while ((result = flock(fd, operation)) < 0 && errno == EINTR) {
  }
  return result;
}

}  // namespace

void open_store(WordStore &store) {
  store.dir = open(kDataDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  store.locked = store.dir >= 0 && flock_retrying(store.dir, LOCK_EX) == 0;
}

void share_store(WordStore &store) {
  // Should the conversion fail the lock stays exclusive, which is safe.
  if (store.locked) flock_retrying(store.dir, LOCK_SH);
}

void close_store(WordStore &store) {
  if (store.dir >= 0) close(store.dir);
  store = WordStore{};
}

bool record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                 const char *timestamp) {
  bool word = stored[0] != '\0';
  if (!store.locked) return !word;
  int old = read_counter(store.dir);
  if (!word) {
    if (old == kCounterMissing) store_counter(store.dir, 1);
    return true;
  }
  if (old == kCounterUnusable || old == INT_MAX) return false;
  int count = old == kCounterMissing ? 1 : old + 1;
  if (!store_counter(store.dir, count)) return false;
  const char *log = accepted ? kAcceptedLog : kRefusedLog;
  return append_log_line(store.dir, log, count, stored, address, timestamp);
}
