// The circle calculator, run by the web server once per request. The
// answer is buffered and leaves in one write at the end; a failed write is
// the program's failure.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/circles/circles.h"

int main() {
  const int status = circles_page(stdout, std::getenv("QUERY_STRING"));
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
