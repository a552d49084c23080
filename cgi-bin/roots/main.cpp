// The roots CGI program: serves one request from QUERY_STRING.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/roots/roots.h"

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return roots_page(stdout, std::getenv("QUERY_STRING"));
}
