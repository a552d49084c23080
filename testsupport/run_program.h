// Test support: run a built program as a web server or a maintainer would,
// with exactly the environment, working directory and input a test chooses,
// and collect everything it writes.
#ifndef TESTSUPPORT_RUN_PROGRAM_H
#define TESTSUPPORT_RUN_PROGRAM_H

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

struct ProgramRun {
  std::vector<std::string> env;   // the whole environment, "NAME=value"
  std::string cwd;                // working directory; empty: the test's own
  std::vector<std::string> args;  // arguments after argv[0]
  std::string input;              // bytes fed to standard input
};

struct ProgramResult {
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error
  int status = -1;  // exit status, or 128 + signal number when killed
};

// Path of a deliverable in the build's bin/ directory.
std::string bin_path(const std::string &name);

// Conditions a fault-injection test sets on the child, each optional.
struct ChildLimits {
  std::optional<uid_t> uid;  // run as this user and group (needs root)
  std::optional<gid_t> gid;
  // RLIMIT_FSIZE, with SIGXFSZ ignored: a write past it is cut short, the
  // next one fails with EFBIG.
  std::optional<off_t> max_file_size;
  // SIGKILL the child once this much time has passed, if it still runs.
  std::optional<std::chrono::microseconds> kill_after;
};

// Runs |path| and waits for it. Fails the calling test on a setup error.
ProgramResult run_program(const std::string &path, const ProgramRun &run,
                          const ChildLimits &limits = {});

// Limits under which a program meets file permissions as an ordinary user
// does: the user "nobody" when the tests run as root (root passes every
// permission check), no change otherwise. nullopt when running as root and
// there is no such user.
std::optional<ChildLimits> as_unprivileged_user();

// Runs the CGI program |name| from bin/ as a server would for one GET
// request: QUERY_STRING is |query|, or unset when nullopt; |env| adds more
// variables (TZ, LC_ALL, REMOTE_ADDR ...).
ProgramResult run_cgi(const std::string &name, std::optional<std::string> query,
                      std::vector<std::string> env = {}, std::string cwd = {});

// A fresh directory under $TMPDIR, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &content);
bool file_exists(const std::string &path);

// Zones every date test runs in: no daylight saving, daylight saving at
// 02:00, and two zones whose clocks jumped at midnight (with local mean time
// before their standard offset began).
inline constexpr const char *kTestZones[] = {"UTC", "America/New_York", "America/Sao_Paulo",
                                             "America/Havana"};

// Sets TZ for this process (and tzset) while it lives; restores the old
// value, or its absence, afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char *zone);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone &) = delete;
  ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

 private:
  std::optional<std::string> saved_;
};

// Calls |page| with a memory stream and returns what it wrote: the way tests
// run a page function in-process.
template <class Page>
std::string capture(Page &&page) {
  char *data = nullptr;
  std::size_t size = 0;
  FILE *out = open_memstream(&data, &size);
  page(out);
  std::fclose(out);
  std::string text(data, size);
  std::free(data);
  return text;
}

#endif  // TESTSUPPORT_RUN_PROGRAM_H
