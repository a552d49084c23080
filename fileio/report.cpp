#include "fileio/report.h"

#include <cerrno>
#include <cstring>

bool report_errno(FILE *err, const char *program, const char *what, const char *file) {
  const char *reason = std::strerror(errno);
  std::fprintf(err, "%s: cannot %s %s: %s\n", program, what, file, reason);
  return false;
}

bool finish_replacement_reported(Replacement &r, const char *name, Sync sync, FILE *err,
                                 const char *program, const char *rename_what) {
  switch (finish_replacement(r, name, sync)) {
    case Replaced::kDone:
      return true;
    case Replaced::kNotWritten:
      return report_errno(err, program, "write", name);
    case Replaced::kNotRenamed:
      return report_errno(err, program, rename_what, name);
  }
  return false;
}
