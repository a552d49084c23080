#include "site/unit/unit.h"

#include <cstdlib>
#include <initializer_list>

// The picture is drawn into memory first, so that one failing half-way
// leaves the page without a broken figure.
bool write_drawn(FILE *out, bool (*draw)(FILE *memory, const void *context), const void *context) {
  char *data = nullptr;
  std::size_t size = 0;
  FILE *memory = open_memstream(&data, &size);
  if (memory == nullptr) return false;
  bool drawn = draw(memory, context);
  if (std::ferror(memory)) drawn = false;
  if (std::fclose(memory) != 0) drawn = false;
  const bool written = drawn && std::fwrite(data, 1, size, out) == size;
  std::free(data);
  return written;
}

const char *numeric_locale_name(const FrameRequest &request) {
  for (const char *value : {request.lc_all, request.lc_numeric, request.lang})
    if (value != nullptr && value[0] != '\0') return value;
  return "C";
}
