// The full dates-and-mileage CGI program: groups thousands in the US
// English locale, writes unbuffered, and answers QUERY_STRING.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/kestrum/kestrum.h"

int main() {
  kestrum_locale();
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return kestrum_page(stdout, std::getenv("QUERY_STRING"));
}
