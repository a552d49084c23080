// The roots CGI program: serves one request from QUERY_STRING. The answer
// is buffered and leaves in one write at the end; a failed write is the
// program's failure.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/roots/roots.h"

int main() {
  const int status = roots_page(stdout, std::getenv("QUERY_STRING"));
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
