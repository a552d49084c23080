#include "testsupport/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const std::string &what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::vector<char *> c_strings(std::vector<std::string> &strings) {
  std::vector<char *> out;
  for (auto &s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// In the child: wire the pipes to the standard streams and exec. Only
// async-signal-safe calls between fork and exec.
[[noreturn]] void exec_child(const char *path, char *const argv[], char *const envp[],
                             const char *cwd, int in, int out, int err, const ChildLimits &limits) {
  if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
  if (cwd[0] != '\0' && chdir(cwd) != 0) _exit(126);
  if (limits.max_file_size) {
    rlimit size{static_cast<rlim_t>(*limits.max_file_size),
                static_cast<rlim_t>(*limits.max_file_size)};
    if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &size) != 0) _exit(126);
  }
  if (limits.gid && (setgroups(0, nullptr) != 0 || setgid(*limits.gid) != 0)) _exit(126);
  if (limits.uid && setuid(*limits.uid) != 0) _exit(126);
  execve(path, argv, envp);
  _exit(127);
}

// Feeds |input| to |in| and drains |out| and |err| until both close;
// kills |pid| at |deadline| while |armed|.
void pump(int in, const std::string &input, int out, int err, ProgramResult &result, pid_t pid,
          bool armed, std::chrono::steady_clock::time_point deadline) {
  std::size_t sent = 0;
  if (input.empty()) close(in), in = -1;
  char buf[65536];
  while (out >= 0 || err >= 0 || in >= 0) {
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {in, POLLOUT, 0}};
    timespec wait{};
    if (armed) {
      auto left = std::max(deadline - std::chrono::steady_clock::now(),
                           std::chrono::steady_clock::duration::zero());
      long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      wait.tv_sec = static_cast<time_t>(ns / 1000000000);
      wait.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    int ready = ppoll(fds, 3, armed ? &wait : nullptr, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      fail("poll");
    }
    if (armed && std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      armed = false;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        (i == 0 ? out : err) = -1;
      }
    }
    if (in >= 0 && fds[2].revents != 0) {
      ssize_t n = write(in, input.data() + sent, input.size() - sent);
      if (n > 0) sent += static_cast<std::size_t>(n);
      bool again = n < 0 && (errno == EAGAIN || errno == EINTR);
      if ((n < 0 && !again) || sent == input.size()) close(in), in = -1;
    }
  }
}

}  // namespace

std::string bin_path(const std::string &name) { return std::string(SITE_BIN_DIR) + "/" + name; }

ProgramResult run_program(const std::string &path, const ProgramRun &run,
                          const ChildLimits &limits) {
  std::vector<std::string> argv_s{path};
  argv_s.insert(argv_s.end(), run.args.begin(), run.args.end());
  std::vector<std::string> env_s = run.env;
  std::vector<char *> argv = c_strings(argv_s);
  std::vector<char *> envp = c_strings(env_s);

  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) fail("pipe");
  pid_t pid = fork();
  if (pid < 0) fail("fork");
  if (pid == 0)
    exec_child(path.c_str(), argv.data(), envp.data(), run.cwd.c_str(), in[0], out[1], err[1],
               limits);
  auto deadline = std::chrono::steady_clock::now() +
                  limits.kill_after.value_or(std::chrono::microseconds::zero());
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // Writes must not block while the child waits for us to drain its output.
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  // A child that exits before reading its input must not kill the test.
  signal(SIGPIPE, SIG_IGN);

  ProgramResult result;
  pump(in[1], run.input, out[0], err[0], result, pid, limits.kill_after.has_value(), deadline);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0)
    if (errno != EINTR) fail("waitpid");
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return result;
}

ProgramResult run_cgi(const std::string &name, std::optional<std::string> query,
                      std::vector<std::string> env, std::string cwd) {
  if (query) env.push_back("QUERY_STRING=" + *query);
  return run_program(bin_path(name), ProgramRun{std::move(env), std::move(cwd), {}, {}});
}

std::optional<ChildLimits> as_unprivileged_user() {
  if (geteuid() != 0) return ChildLimits{};
  passwd entry, *found = nullptr;
  char text[4096];
  if (getpwnam_r("nobody", &entry, text, sizeof text, &found) != 0 || found == nullptr)
    return std::nullopt;
  ChildLimits limits;
  limits.uid = found->pw_uid;
  limits.gid = found->pw_gid;
  return limits;
}

TempDir::TempDir() {
  const char *base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/site-test-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) fail("mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedTimeZone::ScopedTimeZone(const char *zone) {
  if (const char *old = std::getenv("TZ")) saved_ = old;
  setenv("TZ", zone, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (saved_)
    setenv("TZ", saved_->c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

bool file_exists(const std::string &path) { return std::filesystem::exists(path); }
