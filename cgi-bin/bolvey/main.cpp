// The compact dates-and-mileage CGI program: takes its numeric locale from
// the environment, writes unbuffered, and answers QUERY_STRING.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/bolvey/bolvey.h"

int main() {
  bolvey_locale("");
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return bolvey_page(stdout, std::getenv("QUERY_STRING"));
}
