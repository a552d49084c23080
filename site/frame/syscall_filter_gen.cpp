// Compiles the frame's system call filter at build time with libseccomp
// and writes it as a C++ source file, so that a confined frame loads a
// ready filter instead of compiling the same one at every start: a CGI
// process is started for every request.
//   frame_filter OUTPUT.cpp
#include <seccomp.h>
#include <sys/ioctl.h>

#include <cstdio>
#include <linux/filter.h>

namespace {

// The system calls the frame makes once confined, each with the reason:
// what strace shows the frame call under the site's tests in both modes
// and the guest book's 1M-word listing, and the guest book's paths those
// do not reach. Anything else kills the process; the server starts another.
const int kAllowedCalls[] = {
    // Reading the request and writing the answer: stdio on the CGI pipes
    // and libfcgi on its connection (read, write); the guest book's word
    // list, counter and log read whole.
    SCMP_SYS(read),
    SCMP_SYS(write),
    // The guest book appends a log line in one gathered write.
    SCMP_SYS(writev),
    // libfcgi's accept loop: the next connection on the listening socket,
    // the wait for its first bytes, and a connection's end: a lingering
    // close (shut the sending side, wait, read what is left) when the
    // connection was not read to its end or is not a local socket.
    SCMP_SYS(accept),
    SCMP_SYS(poll),
    SCMP_SYS(shutdown),
    SCMP_SYS(close),
    // The zone and locale files, and the guest book's data directory and
    // its files; Landlock decides which of them may be opened at all.
    SCMP_SYS(openat),
    // stdio sizes its buffers with fstat (newfstatat on this ABI); the
    // guest book checks each data file is a regular file of bounded size
    // and reads the log's size before an append (lseek).
    SCMP_SYS(newfstatat),
    SCMP_SYS(lseek),
    // The guest book: its lock on data/; the counter's durable replacement
    // (the temporary file flushed, given the old counter's mode and owner,
    // renamed over it, the directory flushed; one left by a killed request
    // removed); the counter rewritten in place where no file can be made;
    // an append cut short cut back; the counter and its temporary file
    // turned into streams (fdopen asks the descriptor's mode with fcntl).
    SCMP_SYS(flock),
    SCMP_SYS(fsync),
    SCMP_SYS(fchmod),
    SCMP_SYS(fchown),
    SCMP_SYS(renameat),
    SCMP_SYS(unlinkat),
    SCMP_SYS(pwrite64),
    SCMP_SYS(ftruncate),
    SCMP_SYS(fcntl),
    // Memory: malloc's heap and its large blocks, the memory streams of
    // the page and the answer as they grow (the listing's reach 16 MiB), and
    // the locale archive mapped by setlocale.
    SCMP_SYS(brk),
    SCMP_SYS(mmap),
    SCMP_SYS(munmap),
    SCMP_SYS(mremap),
    // The request's time, and the guest book's deadline for its lock, when
    // the vDSO must ask the kernel.
    SCMP_SYS(clock_gettime),
    // The guest book's pause between tries of a lock another request holds
    // (nanosleep).
    SCMP_SYS(clock_nanosleep),
    // The return from libfcgi's signal handlers (SIGTERM, SIGUSR1), which
    // end the accept loop when the server stops the worker.
    SCMP_SYS(rt_sigreturn),
    // The end: a CGI process that has answered, a worker whose server
    // closed the socket.
    SCMP_SYS(exit_group),
};

// The filter: the calls above, and ioctl for stdio's question whether
// standard output is a terminal alone (a CGI process run by hand, its
// output a character device), so no terminal can be driven (TIOCSTI) from
// inside. Anything else kills the process. Null on a failure.
scmp_filter_ctx make_filter() {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
  if (filter == nullptr) return nullptr;
  // A binary tree of the call numbers rather than a list: the kernel runs
  // the filter over every call number when it is installed, to learn which
  // it may allow without running it, so a shorter path is cheaper at every
  // start as well as at every call.
  int error = seccomp_attr_set(filter, SCMP_FLTATR_CTL_OPTIMIZE, 2);
  for (int call : kAllowedCalls)
    if (error == 0) error = seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0);
  if (error == 0)
    error = seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(ioctl), 1,
                             SCMP_A1(SCMP_CMP_EQ, static_cast<scmp_datum_t>(TCGETS)));
  if (error == 0) return filter;
  seccomp_release(filter);
  return nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: frame_filter OUTPUT.cpp\n", stderr);
    return 2;
  }
  scmp_filter_ctx filter = make_filter();
  std::FILE *bpf = std::tmpfile();
  if (filter == nullptr || bpf == nullptr || seccomp_export_bpf(filter, fileno(bpf)) != 0) {
    std::fputs("frame_filter: libseccomp could not compile the filter\n", stderr);
    return 1;
  }
  seccomp_release(filter);
  std::rewind(bpf);
  std::FILE *out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fputs("// Generated by frame_filter from libseccomp's compiled filter.\n"
             "#include \"site/frame/syscall_filter.h\"\n\n"
             "const sock_filter kSyscallFilter[] = {\n", out);
  sock_filter op;
  unsigned short count = 0;
  while (std::fread(&op, sizeof op, 1, bpf) == 1) {
    std::fprintf(out, "    {0x%04x, %u, %u, 0x%08x},\n", op.code, op.jt, op.jf, op.k);
    ++count;
  }
  std::fprintf(out, "};\nconst unsigned short kSyscallFilterLength = %u;\n", count);
  return count > 0 && std::fclose(out) == 0 ? 0 : 1;
}
