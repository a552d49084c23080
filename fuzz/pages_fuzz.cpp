#include "fuzz/pages_fuzz.h"

#include <cstdio>
#include <cstring>

#include "site/frame/frame.h"
#include "testsupport/run_program.h"

// Every page of the site's table answers |query| through the frame, as a
// worker would: its routing, its error pages, each answer and its picture.
// The pages that change data run only |with_guest_book|.
std::string run_pages(const std::string &query, bool with_guest_book) {
  return capture([&](FILE *out) {
    for (std::size_t i = 0; i < kSitePageCount; ++i) {
      if (kSitePages[i]->changes_data && !with_guest_book) continue;
      std::string uri = std::string("/cgi-bin/") + kSitePages[i]->name + ".pl?" + query;
      FrameRequest request{};
      request.method = "GET";
      request.uri = uri.c_str();
      request.query = query.c_str();
      request.remote_addr = "192.0.2.1";
      request.tz = "UTC";
      // One address asks every time: without a flood limit each word
      // reaches the whole page.
      request.flood_seconds = "0";
      serve_request(out, request, kSitePages, kSitePageCount);
    }
  });
}
std::string run_pages_on_bytes(const unsigned char *data, std::size_t size) {
  std::string query(reinterpret_cast<const char *>(data),
                    strnlen(reinterpret_cast<const char *>(data), size));
  return run_pages(query, size > 0 && (data[0] & 1) != 0);
}
