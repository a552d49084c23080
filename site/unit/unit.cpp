#include "site/unit/unit.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

FILE *start_memory_stream(MemoryStream *memory) {
  if (memory->stream != nullptr && std::fseek(memory->stream, 0, SEEK_SET) == 0) {
    std::clearerr(memory->stream);
    return memory->stream;
  }
  if (memory->stream != nullptr) std::fclose(memory->stream);
  std::free(memory->data);
  *memory = MemoryStream{};
  memory->stream = open_memstream(&memory->data, &memory->size);
  return memory->stream;
}

bool finish_memory_stream(MemoryStream *memory) {
  const bool ok = std::fflush(memory->stream) == 0 && !std::ferror(memory->stream);
  // A failed stream, or one grown too large to keep, is closed; its data
  // stays until the next start.
  if (!ok || memory->size > kMemoryStreamKept) {
    std::fclose(memory->stream);
    memory->stream = nullptr;
  }
  return ok;
}

// The picture is drawn into memory first, so that one failing half-way
// leaves the page without a broken figure. The memory is kept from one
// picture to the next.
bool write_drawn(FILE *out, bool (*draw)(FILE *memory, const void *context), const void *context) {
  static MemoryStream picture;
  FILE *memory = start_memory_stream(&picture);
  if (memory == nullptr) return false;
  const bool drawn = draw(memory, context);
  if (!finish_memory_stream(&picture) || !drawn) return false;
  return std::fwrite(picture.data, 1, picture.size, out) == picture.size;
}

const char *numeric_locale_name(const FrameRequest &request) {
  for (const char *value : {request.lc_all, request.lc_numeric, request.lang})
    if (value != nullptr && value[0] != '\0') return value;
  return "C";
}
