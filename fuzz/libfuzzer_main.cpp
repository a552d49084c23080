// Coverage-guided fuzzing of every page (clang only: -DSITE_LIBFUZZER=ON).
// Run from a directory whose "../data/" the guest book may use.
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/pages_fuzz.h"

namespace {

// The guest book's listing reads its whole log, so a log that grew through a
// long run would slow every later run: the logs start again this often.
constexpr unsigned kRunsPerLog = 512;

void empty_logs() {
  for (const char *log : {"../data/across.log", "../data/bad_across.log"})
    if (truncate(log, 0) != 0) {
      // Not yet made: nothing to empty.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static unsigned runs = 0;
  if (++runs % kRunsPerLog == 0) empty_logs();
  run_pages_on_bytes(data, size);
  return 0;
}
