#include "site/frame/confine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/landlock.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <string>

#include "testsupport/run_program.h"

namespace {

// What an attempt from inside the confinement came to: the call went
// through, it was refused with an error, or the process was killed.
enum Outcome { kDone = 0, kRefused = 1, kOtherError = 2, kKilled = 3 };

int outcome(long result) {
  if (result >= 0) return kDone;
  return errno == EACCES || errno == EPERM || errno == ENOMEM ? kRefused : kOtherError;
}

int open_for(const char *path, int flags) {
  int file = open(path, flags | O_CLOEXEC, 0644);
  return outcome(file);
}

int read_zone() { return open_for("/usr/share/zoneinfo/UTC", O_RDONLY); }
int read_outside() { return open_for("/etc/passwd", O_RDONLY); }
int read_log() { return open_for("../data/across.log", O_RDONLY); }
int append_log() { return open_for("../data/across.log", O_WRONLY | O_APPEND); }
int create_in_data() { return open_for("../data/new", O_WRONLY | O_CREAT | O_EXCL); }
// The counter's rewrite in place: one write over the start, then the cut.
int rewrite_log() {
  int file = open("../data/across.log", O_WRONLY | O_CLOEXEC);
  if (file < 0) return outcome(file);
  return outcome(pwrite(file, "000002", 6, 0) == 6 ? ftruncate(file, 6) : -1);
}
// The guest book's pause while another request holds the lock.
int pause_briefly() {
  timespec pause = {0, 250'000};
  return outcome(nanosleep(&pause, nullptr));
}
// stdio's question whether its output is a terminal, and another ioctl.
int ask_for_terminal() {
  termios mode;
  return ioctl(STDERR_FILENO, TCGETS, &mode) == 0 || errno == ENOTTY ? kDone : kOtherError;
}
int push_terminal_input() {
  char byte = 'x';
  return outcome(ioctl(STDERR_FILENO, TIOCSTI, &byte));
}
int create_beside() { return open_for("dropped", O_WRONLY | O_CREAT | O_EXCL); }
int run_program() {
  char *const argv[] = {const_cast<char *>("/bin/true"), nullptr};
  return outcome(execve("/bin/true", argv, environ));
}
int open_tcp_socket() { return outcome(socket(AF_INET, SOCK_STREAM, 0)); }
int open_local_socket() { return outcome(socket(AF_UNIX, SOCK_STREAM, 0)); }
int trace_self() { return outcome(ptrace(PTRACE_TRACEME, 0, nullptr, nullptr)); }
int mount_tmpfs() { return outcome(mount("none", "/mnt", "tmpfs", 0, nullptr)); }
int map_two_gib() {
  void *block = mmap(nullptr, std::size_t{2} << 30, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return outcome(block == MAP_FAILED ? -1 : 0);
}

// Forks a child in |tree|/cgi-bin, confines it to |reach| with |tree|/data
// as the guest book's directory, exactly as the frame does, and makes it
// try |attempt|.
int confined_attempt(const TempDir &tree, Reach reach, int (*attempt)()) {
  pid_t child = fork();
  if (child == 0) {
    if (chdir((tree / "cgi-bin").c_str()) != 0) _exit(kOtherError);
    int data = open("../data", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (!confine(reach, data, stderr)) _exit(kOtherError);
    _exit(attempt());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGSYS ? kKilled : -1;
  return WEXITSTATUS(status);
}

bool kernel_has_landlock() {
  return syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION) >= 1;
}

bool kernel_has_seccomp() { return prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0; }

enum class Needs { kLandlock, kSeccomp, kAddressLimit };

struct AttemptCase {
  const char *name;
  Reach reach;
  int (*attempt)();
  Outcome expected;
  Needs needs;
};

void PrintTo(const AttemptCase &c, std::ostream *out) { *out << c.name; }

class Confinement : public testing::TestWithParam<AttemptCase> {};

TEST_P(Confinement, AllowsOnlyWhatThePoolNeeds) {
  const AttemptCase &c = GetParam();
  if (c.needs == Needs::kLandlock && !kernel_has_landlock()) GTEST_SKIP() << "no Landlock";
  if (c.needs == Needs::kSeccomp && !kernel_has_seccomp()) GTEST_SKIP() << "no seccomp";
#if defined(__SANITIZE_ADDRESS__)
  if (c.needs == Needs::kAddressLimit) GTEST_SKIP() << "the sanitizers need the address space";
  if (c.needs == Needs::kSeccomp) GTEST_SKIP() << "the sanitizer build installs no filter";
#endif
  TempDir tree;
  ASSERT_EQ(mkdir((tree / "cgi-bin").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((tree / "data").c_str(), 0755), 0);
  write_file(tree / "data/across.log", "000001,word,192.0.2.1,Mon Dec  7 12:00:00 2026\n");
  EXPECT_EQ(confined_attempt(tree, c.reach, c.attempt), c.expected);
}

constexpr Reach kCalc = Reach::kCalculators;
constexpr Reach kBook = Reach::kGuestBook;

INSTANTIATE_TEST_SUITE_P(
    Attempts, Confinement,
    testing::Values(
        // what the pages need
        AttemptCase{"CalculatorsReadTheZone", kCalc, read_zone, kDone, Needs::kLandlock},
        AttemptCase{"GuestBookAppendsToItsLog", kBook, append_log, kDone, Needs::kLandlock},
        AttemptCase{"GuestBookCreatesInItsData", kBook, create_in_data, kDone, Needs::kLandlock},
        AttemptCase{"GuestBookRewritesInPlace", kBook, rewrite_log, kDone, Needs::kLandlock},
        AttemptCase{"GuestBookWaitsForTheLock", kBook, pause_briefly, kDone, Needs::kSeccomp},
        // files outside the ruleset
        AttemptCase{"CalculatorsReadOutside", kCalc, read_outside, kRefused, Needs::kLandlock},
        AttemptCase{"GuestBookReadsOutside", kBook, read_outside, kRefused, Needs::kLandlock},
        AttemptCase{"CalculatorsReadTheLog", kCalc, read_log, kRefused, Needs::kLandlock},
        AttemptCase{"CalculatorsAppendToTheLog", kCalc, append_log, kRefused, Needs::kLandlock},
        AttemptCase{"CalculatorsCreateInData", kCalc, create_in_data, kRefused, Needs::kLandlock},
        AttemptCase{"GuestBookCreatesBesideItself", kBook, create_beside, kRefused,
                    Needs::kLandlock},
        // calls outside the filter
        AttemptCase{"Execve", kCalc, run_program, kKilled, Needs::kSeccomp},
        AttemptCase{"GuestBookExecve", kBook, run_program, kKilled, Needs::kSeccomp},
        AttemptCase{"TcpSocket", kCalc, open_tcp_socket, kKilled, Needs::kSeccomp},
        AttemptCase{"LocalSocket", kBook, open_local_socket, kKilled, Needs::kSeccomp},
        AttemptCase{"Ptrace", kCalc, trace_self, kKilled, Needs::kSeccomp},
        AttemptCase{"Mount", kBook, mount_tmpfs, kKilled, Needs::kSeccomp},
        AttemptCase{"AsksWhetherOutputIsATerminal", kCalc, ask_for_terminal, kDone,
                    Needs::kSeccomp},
        AttemptCase{"PushesTerminalInput", kCalc, push_terminal_input, kKilled, Needs::kSeccomp},
        // limits
        AttemptCase{"TwoGibibytes", kBook, map_two_gib, kRefused, Needs::kAddressLimit}),
    [](const testing::TestParamInfo<AttemptCase> &info) { return info.param.name; });

// A kernel without Landlock (here one whose landlock_create_ruleset is
// made to fail as on a kernel built without it): the process is said to
// be served without a file ruleset, once, and still gets its filter.
TEST(Confinement, WithoutLandlockSaysSoAndKeepsTheFilter) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer build installs no filter";
#endif
  if (!kernel_has_seccomp()) GTEST_SKIP() << "no seccomp";
  TempDir tree;
  const std::string said = tree / "said";
  pid_t child = fork();
  if (child == 0) {
    int log = open(said.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    scmp_filter_ctx no_landlock = seccomp_init(SCMP_ACT_ALLOW);
    if (log < 0 || dup2(log, STDERR_FILENO) < 0 || no_landlock == nullptr ||
        seccomp_rule_add(no_landlock, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(landlock_create_ruleset),
                         0) != 0 ||
        seccomp_load(no_landlock) != 0)
      _exit(kOtherError);
    if (!confine(Reach::kCalculators, -1, stderr)) _exit(kOtherError);
    _exit(open_tcp_socket());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << status;
  EXPECT_EQ(read_file(said),
            "frame: this kernel offers no Landlock; serving without a file ruleset\n");
}

}  // namespace
