// Coverage-guided fuzzing of every page through the site's frame (clang
// only: -DSITE_LIBFUZZER=ON). Run from a directory whose "../data/" the guest
// book may use.
//
// An input is one request: its first byte chooses the page of the frame's
// table (byte % pages) and how it is asked (the quotient % 4: GET, HEAD, GET
// in the de_DE.UTF-8 locale, GET in Europe/Dublin); the bytes after it, up
// to a NUL byte, are the query. One page a run keeps runs fast, and the
// fuzzer reaches every page by changing the first byte.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "site/frame/frame.h"

namespace {

// The guest book's listing reads its whole log, so a log that grew through a
// long run would slow every later run: the logs start again this often.
constexpr unsigned kRunsPerLog = 64;

void empty_logs() {
  for (const char *log : {"../data/across.log", "../data/bad_across.log"})
    if (truncate(log, 0) != 0) {
      // Not made yet: nothing to empty.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static unsigned runs = 0;
  static FILE *sink = std::fopen("/dev/null", "w");
  if (size == 0 || sink == nullptr) return 0;
  if (++runs % kRunsPerLog == 0) empty_logs();
  const PageDef &page = *kSitePages[data[0] % kSitePageCount];
  unsigned how = data[0] / kSitePageCount % 4;
  const char *bytes = reinterpret_cast<const char *>(data + 1);
  std::string query(bytes, strnlen(bytes, size - 1));
  std::string uri = std::string("/cgi-bin/") + page.name + ".pl?" + query;
  FrameRequest request{};
  request.method = how == 1 ? "HEAD" : "GET";
  request.uri = uri.c_str();
  request.query = query.c_str();
  request.remote_addr = "192.0.2.1";
  request.tz = how == 3 ? "Europe/Dublin" : "UTC";
  request.lc_all = how == 2 ? "de_DE.UTF-8" : nullptr;
  serve_request(sink, request, kSitePages, kSitePageCount);
  return 0;
}
