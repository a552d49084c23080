// Runs a command, its output discarded, and prints its peak resident set
// in KiB. The command is
// started by this small static program rather than a large interpreter:
// the kernel counts the pages a forked child shares with its parent until
// exec in the child's peak, so only a small parent measures the command.
//   peak_rss COMMAND [ARGS...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fputs("usage: peak_rss COMMAND [ARGS...]\n", stderr);
    return 2;
  }
  pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0) _exit(126);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status;
  rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 1;
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}
