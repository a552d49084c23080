#include "fileio/report.h"

#include <cerrno>
#include <cstring>

bool report_errno(FILE *err, const char *program, const char *what, const char *file) {
  const char *reason = std::strerror(errno);
  std::fprintf(err, "%s: cannot %s %s: %s\n", program, what, file, reason);
  return false;
}
