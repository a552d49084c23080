// Answers the request of its environment N times (default 1) through the
// frame's own serve_request, the last answer to standard output and the
// others to nowhere: what callgrind counts for a page, since it cannot run
// the confined frame itself (it refuses the frame's limit on open files).
// One answer is a CGI request less the confinement; the difference between
// 21 and 1 answers, divided by 20, what each request costs a running worker
// less libfcgi's transport.
//   bench_count_frame [N]
#include <cstdio>
#include <cstdlib>

#include "site/frame/frame.h"

int main(int argc, char **argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 1;
  FILE *nowhere = std::fopen("/dev/null", "w");
  if (nowhere == nullptr || n < 1) return 1;
  const Lookup from_environment = [](const char *name, void *) -> const char * {
    return std::getenv(name);
  };
  for (int i = 0; i < n; ++i)
    serve_request(i + 1 < n ? nowhere : stdout, read_request(from_environment, nullptr),
                  kSitePages, kSitePageCount);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
