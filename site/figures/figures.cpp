#include "site/figures/figures.h"

#include <cstdlib>
#include <cstring>

#include "site/figures/figure_parts.h"

namespace {

struct FigureRow {
  const char *program;
  bool (*draw)(FILE *out, const char *query);
};

const FigureRow kFigures[] = {
    {"kestrum", kestrum_figure}, {"bolvey", bolvey_figure},
};

const FigureRow *findFigure(const char *program) {
  for (const FigureRow &row : kFigures)
    if (std::strcmp(row.program, program) == 0) return &row;
  return nullptr;
}

}  // namespace

// The figure is drawn into memory first, so a figure that fails half-way
// leaves |out| untouched.
bool write_figure(FILE *out, const char *program, const char *query) {
  if (out == nullptr || program == nullptr) return false;
  const FigureRow *row = findFigure(program);
  if (row == nullptr) return false;
  char *data = nullptr;
  std::size_t size = 0;
  FILE *memory = open_memstream(&data, &size);
  if (memory == nullptr) return false;
  bool drawn = row->draw(memory, query);
  if (std::ferror(memory)) drawn = false;
  if (std::fclose(memory) != 0) drawn = false;
  const bool written = drawn && std::fwrite(data, 1, size, out) == size;
  std::free(data);
  return written;
}
