// The compact dates-and-mileage CGI program: takes its numeric locale from
// the environment, writes unbuffered, and answers QUERY_STRING.
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "cgi-bin/bolvey/bolvey.h"

int main() {
  std::setlocale(LC_NUMERIC, "");
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return bolvey_page(stdout, std::getenv("QUERY_STRING"));
}
