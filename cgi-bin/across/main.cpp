// The word guest book as the web server runs it: one request per process.
// Built twice, as the current edition and (with ACROSS_EARLIER_EDITION) as
// the earlier one.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "cgi-bin/across/across.h"

#ifdef ACROSS_EARLIER_EDITION
constexpr Edition kEdition = Edition::kEarlier;
#else
constexpr Edition kEdition = Edition::kCurrent;
#endif

int main() {
  std::time_t now = std::time(nullptr);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return across_page(stdout, std::getenv("QUERY_STRING"), std::getenv("REMOTE_ADDR"), now,
                     kEdition);
}
