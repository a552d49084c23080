// Coverage-guided fuzzing of every page (clang only: -DSITE_LIBFUZZER=ON).
// Run from a directory whose "../data/" the guest book may use.
#include <cstddef>
#include <cstdint>

#include "fuzz/pages_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  run_pages_on_bytes(data, size);
  return 0;
}
