#include "fuzz/pages_fuzz.h"

#include <cstdio>
#include <cstring>

#include "cgi-bin/across/across.h"
#include "cgi-bin/bolvey/bolvey.h"
#include "cgi-bin/circles/circles.h"
#include "cgi-bin/kestrum/kestrum.h"
#include "cgi-bin/quindle/quindle.h"
#include "cgi-bin/roots/roots.h"
#include "testsupport/run_program.h"

std::string run_pages(const std::string &query, bool with_guest_book) {
  const char *q = query.c_str();
  return capture([&](FILE *out) {
    kestrum_page(out, q);
    bolvey_page(out, q);
    roots_page(out, q);
    circles_page(out, q);
    quindle_page(out, q);
    if (with_guest_book) {
      across_page(out, q, "192.0.2.1", 0, Edition::kCurrent);
      across_page(out, q, "192.0.2.1", 0, Edition::kEarlier);
    }
  });
}

std::string run_pages_on_bytes(const unsigned char *data, std::size_t size) {
  std::string query(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));
  return run_pages(query, size > 0 && (data[0] & 1) != 0);
}
