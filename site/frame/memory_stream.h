// The frame's buffers: a response, a fragment and a figure are each written
// into memory first, so that the status is decided before the first byte
// goes out and a figure that fails half-way is left out whole.
#ifndef SITE_FRAME_MEMORY_STREAM_H
#define SITE_FRAME_MEMORY_STREAM_H

#include <cstddef>
#include <cstdio>

// A memory stream kept from one request to the next and emptied at the
// start of each answer, so a FastCGI worker allocates nothing for an answer
// once the stream has grown to fit. One grown past kMemoryStreamKept bytes
// (a long guest-book listing) is given back at the next start.
struct MemoryStream {
  char *data = nullptr;
  std::size_t size = 0;
  FILE *stream = nullptr;
};
inline constexpr std::size_t kMemoryStreamKept = std::size_t{1} << 20;

// Empties |memory| for a new answer and returns its stream; null when
// memory ran out.
FILE *start_memory_stream(MemoryStream *memory);

// Makes |memory|'s data and size what was written since the start (valid
// until the next start). False when a write failed.
bool finish_memory_stream(MemoryStream *memory);

#endif  // SITE_FRAME_MEMORY_STREAM_H
