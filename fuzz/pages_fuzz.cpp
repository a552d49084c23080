#include "fuzz/pages_fuzz.h"

#include <cstdio>
#include <cstring>

#include "cgi-bin/across/across.h"
#include "cgi-bin/bolvey/bolvey.h"
#include "cgi-bin/circles/circles.h"
#include "cgi-bin/kestrum/kestrum.h"
#include "cgi-bin/quindle/quindle.h"
#include "cgi-bin/roots/roots.h"
#include "site/frame/frame.h"
#include "testsupport/run_program.h"

namespace {

// The same query through the site's frame: its routing, its error pages
// and the pictures it draws after each answer.
void run_frame(FILE *out, const std::string &query, bool with_guest_book) {
  for (std::size_t i = 0; i < kSitePageCount; ++i) {
    if (kSitePages[i].changes_data && !with_guest_book) continue;
    std::string uri = std::string("/cgi-bin/") + kSitePages[i].name + ".pl?" + query;
    FrameRequest request{};
    request.method = "GET";
    request.uri = uri.c_str();
    request.query = query.c_str();
    request.remote_addr = "192.0.2.1";
    request.tz = "UTC";
    serve_request(out, request, kSitePages, kSitePageCount);
  }
}

}  // namespace

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
    run_frame(out, query, with_guest_book);
  });
}

std::string run_pages_on_bytes(const unsigned char *data, std::size_t size) {
  std::string query(reinterpret_cast<const char *>(data),
                    strnlen(reinterpret_cast<const char *>(data), size));
  return run_pages(query, size > 0 && (data[0] & 1) != 0);
}
