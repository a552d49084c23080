// The full dates-and-mileage CGI program: groups thousands in the US
// English locale and answers QUERY_STRING. The answer is buffered and
// leaves in one write at the end; a failed write is the program's failure.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/kestrum/kestrum.h"

int main() {
  kestrum_locale();
  const int status = kestrum_page(stdout, std::getenv("QUERY_STRING"));
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
