// The compact dates-and-mileage CGI program: takes its numeric locale from
// the environment and answers QUERY_STRING. The answer is buffered and
// leaves in one write at the end; a failed write is the program's failure.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/bolvey/bolvey.h"

int main() {
  bolvey_locale("");
  const int status = bolvey_page(stdout, std::getenv("QUERY_STRING"));
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
