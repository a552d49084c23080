#include "cgi-bin/across/store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "cgi-bin/across/counter.h"
#include "cgi-bin/across/logs.h"

namespace {

const char kDataDir[] = "../data";

long long monotonic_ns() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Tries |operation| (LOCK_EX or LOCK_SH) on |fd| without blocking until it
// is had or |deadline_ns| passes, sleeping 0.25 ms after the first miss and
// twice as long after each next, up to 2 ms: a free lock is had at once,
// and a lock that is released is soon taken again, so many requests one
// after the other lose little time while nobody holds it. Returns whether
// the lock is held.
bool lock_until(int fd, int operation, long long deadline_ns) {
  long long pause_ns = 250'000;
  for (;;) {
    if (flock(fd, operation | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    long long left = deadline_ns - monotonic_ns();
    if (left <= 0) return false;
    long long nap = pause_ns < left ? pause_ns : left;
    timespec pause = {static_cast<time_t>(nap / 1'000'000'000),
                      static_cast<long>(nap % 1'000'000'000)};
    nanosleep(&pause, nullptr);
    if (pause_ns < 2'000'000) pause_ns *= 2;
  }
}

}  // namespace

void open_store(WordStore &store) {
  lock_store(store, open(kDataDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool lock_store(WordStore &store, int dir) {
  store.dir = dir;
  store.deadline_ns = monotonic_ns() + kLockWaitNs;
  store.locked = dir >= 0 && lock_until(dir, LOCK_EX, store.deadline_ns);
  return store.locked;
}

void share_store(WordStore &store) {
  if (store.locked) store.locked = lock_until(store.dir, LOCK_SH, store.deadline_ns);
}

void close_store(WordStore &store) {
  if (store.dir >= 0) close(store.dir);
  store = WordStore{};
}

Recorded record_word(const WordStore &store, bool accepted, const char *stored, const char *address,
                     const char *timestamp, std::time_t now, const WordLimits *limits,
                     int &retry_after) {
  bool word = stored[0] != '\0';
  if (!store.locked) return word ? Recorded::kFailed : Recorded::kLogged;
  int old = read_counter(store.dir);
  if (!word) {
    if (old == kCounterMissing) store_counter(store.dir, 1);
    return Recorded::kLogged;
  }
  if (old == kCounterUnusable || old == INT_MAX) return Recorded::kFailed;
  int count = old == kCounterMissing ? 1 : old + 1;
  const char *log = accepted ? kAcceptedLog : kRefusedLog;
  if (limits != nullptr) {
    if (!log_has_room(store.dir, log, log_line_size(count, stored, address, timestamp),
                      limits->log_max_bytes))
      return Recorded::kFull;
    if (limits->flood_seconds > 0) {
      char key[64];
      writer_key(key, address);
      int wait = pass_flood_gate(store.dir, key, now, limits->flood_seconds);
      if (wait < 0) return Recorded::kFailed;
      if (wait > 0) {
        retry_after = wait;
        return Recorded::kTooFast;
      }
    }
  }
  if (!store_counter(store.dir, count)) return Recorded::kFailed;
  return append_log_line(store.dir, log, count, stored, address, timestamp) ? Recorded::kLogged
                                                                            : Recorded::kFailed;
}
