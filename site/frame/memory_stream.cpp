#include "site/frame/memory_stream.h"

#include <cstdio>
#include <cstdlib>

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
