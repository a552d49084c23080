// The circle calculator, run by the web server once per request.
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/circles/circles.h"

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return circles_page(stdout, std::getenv("QUERY_STRING"));
}
