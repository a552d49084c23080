#include "site/frame/confine.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "site/frame/syscall_filter.h"

// The rights of later Landlock ABIs, for uapi headers older than the
// kernels that run the frame; the values are the kernel's.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif
#ifndef LANDLOCK_ACCESS_NET_BIND_TCP
#define LANDLOCK_ACCESS_NET_BIND_TCP (1ULL << 0)
#define LANDLOCK_ACCESS_NET_CONNECT_TCP (1ULL << 1)
#endif
#ifndef LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET
#define LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET (1ULL << 0)
#define LANDLOCK_SCOPE_SIGNAL (1ULL << 1)
#endif

namespace {

// The address space a worker may map. The largest page, the guest book's
// listing of a 1M-word log, peaks under 200 MiB (the words, their sorted
// index, the page and the response in memory); the sanitizers' shadow
// memory needs terabytes of address space, so their build sets none.
constexpr rlim_t kAddressSpace = rlim_t{1} << 30;
// Descriptors: the three standard ones, the server's socket and its
// connection, the program's directory, and the guest book's directory
// (also its lock), counter, the counter's temporary file, two logs and the
// word list; a fault that leaks descriptors runs out soon.
constexpr rlim_t kOpenFiles = 32;

// The zone and locale data the pages read: tzset() loads the request's zone
// (or /etc/localtime, which may be a copy rather than a link), setlocale()
// the locale archive or a locale's own folder.
const char *const kReadOnlyPaths[] = {
    "/usr/share/zoneinfo",
    "/etc/localtime",
    "/usr/lib/locale",
#if defined(__SANITIZE_ADDRESS__)
    // LeakSanitizer's check at exit lists the process's threads and maps.
    "/proc/self",
#endif
};

// Landlock's ruleset, as large as the newest ABI the frame knows; an older
// kernel is given the part its ABI reads.
struct Ruleset {
  std::uint64_t handled_access_fs;
  std::uint64_t handled_access_net;
  std::uint64_t scoped;
};

constexpr std::uint64_t kReadRights = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
// The guest book reads and appends to its files, makes the counter's
// temporary file, renames it over the counter, removes one left behind,
// and cuts a short append back.
constexpr std::uint64_t kDataRights = kReadRights | LANDLOCK_ACCESS_FS_WRITE_FILE |
                                      LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_REMOVE_FILE |
                                      LANDLOCK_ACCESS_FS_TRUNCATE;

bool say(FILE *log, const char *what) {
  std::fprintf(log, "frame: %s: %s\n", what, std::strerror(errno));
  return false;
}

bool limit(int resource, rlim_t value) {
  const rlimit bound = {value, value};
  return setrlimit(resource, &bound) == 0;
}

bool set_limits(FILE *log) {
  if (!limit(RLIMIT_NOFILE, kOpenFiles)) return say(log, "cannot limit its open files");
#if !defined(__SANITIZE_ADDRESS__)
  if (!limit(RLIMIT_AS, kAddressSpace)) return say(log, "cannot limit its address space");
#endif
  return true;
}

// Every file-system right Landlock ABI |abi| can refuse.
std::uint64_t handled_fs(int abi) {
  std::uint64_t rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // ABI 1: bits 0 to 12
  if (abi >= 2) rights |= LANDLOCK_ACCESS_FS_REFER;
  if (abi >= 3) rights |= LANDLOCK_ACCESS_FS_TRUNCATE;
  if (abi >= 5) rights |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
  return rights;
}

// Allows |rights| (of those the ruleset handles) beneath the open |file|.
bool allow_beneath(int ruleset, int file, std::uint64_t rights, std::uint64_t handled) {
  landlock_path_beneath_attr rule = {};
  rule.allowed_access = rights & handled;
  rule.parent_fd = file;
  return syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0;
}

// A missing path needs no rule: nothing there can be read anyway.
bool allow_path(int ruleset, const char *path, std::uint64_t handled) {
  int file = open(path, O_PATH | O_CLOEXEC);
  if (file < 0) return errno == ENOENT || errno == ENOTDIR;
  struct stat info;
  // A file (not a folder) takes only the rights that apply to files.
  std::uint64_t rights = kReadRights;
  if (fstat(file, &info) == 0 && !S_ISDIR(info.st_mode)) rights = LANDLOCK_ACCESS_FS_READ_FILE;
  bool added = allow_beneath(ruleset, file, rights, handled);
  close(file);
  return added;
}

bool add_rules(int ruleset, Reach reach, int data, std::uint64_t handled) {
  for (const char *path : kReadOnlyPaths)
    if (!allow_path(ruleset, path, handled)) return false;
  if (reach == Reach::kGuestBook && data >= 0)
    return allow_beneath(ruleset, data, kDataRights, handled);
  return true;
}

// Applies the strongest ruleset this kernel's Landlock offers: every file
// right refused but the few allowed, no TCP, and (ABI 6) no signals or
// abstract sockets beyond the process. False on a failure; a kernel
// without Landlock is said once and is not a failure.
bool restrict_files(Reach reach, int data, FILE *log) {
  const long abi =
      syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (abi < 1) {
    if (errno != ENOSYS && errno != EOPNOTSUPP) return say(log, "cannot ask for Landlock");
    std::fputs("frame: this kernel offers no Landlock; serving without a file ruleset\n", log);
    return true;
  }
  Ruleset attr = {handled_fs(static_cast<int>(abi)), 0, 0};
  std::size_t size = sizeof attr.handled_access_fs;
  if (abi >= 4) {
    attr.handled_access_net = LANDLOCK_ACCESS_NET_BIND_TCP | LANDLOCK_ACCESS_NET_CONNECT_TCP;
    size += sizeof attr.handled_access_net;
  }
  if (abi >= 6) {
    attr.scoped = LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET | LANDLOCK_SCOPE_SIGNAL;
    size += sizeof attr.scoped;
  }
  const int ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
  if (ruleset < 0) return say(log, "cannot make a Landlock ruleset");
  bool done = add_rules(ruleset, reach, data, attr.handled_access_fs) &&
              syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  if (!done) say(log, "cannot apply its Landlock ruleset");
  close(ruleset);
  return done;
}

// Installs the filter compiled at build time (syscall_filter.h). False on
// a failure; a kernel without seccomp filters is said once and is not a
// failure. The sanitizer build installs none: at exit LeakSanitizer stops
// the process's threads from a thread of its own with ptrace, which the
// filter exists to forbid.
bool filter_calls(FILE *log) {
#if defined(__SANITIZE_ADDRESS__)
  (void)log;
  return true;
#endif
  sock_fprog program = {kSyscallFilterLength, const_cast<sock_filter *>(kSyscallFilter)};
  if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0) return true;
  // A kernel built without seccomp, or without its filters, refuses the
  // mode itself.
  if (errno == ENOSYS || errno == EINVAL) {
    std::fputs("frame: this kernel offers no seccomp; serving without a system call filter\n", log);
    return true;
  }
  return say(log, "cannot install its seccomp filter");
}

}  // namespace

Reach pool_reach(const char *pool) {
  return pool != nullptr && std::strcmp(pool, "guestbook") == 0 ? Reach::kGuestBook
                                                                : Reach::kCalculators;
}

bool confine(Reach reach, int data, FILE *log) {
  if (!set_limits(log)) return false;
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return say(log, "cannot set no_new_privs");
  return restrict_files(reach, data, log) && filter_calls(log);
}
