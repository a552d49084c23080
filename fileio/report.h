// Failure reports of the command-line tools, one line each on their error
// stream.
#ifndef FILEIO_REPORT_H
#define FILEIO_REPORT_H

#include <cstdio>

#include "fileio/replace.h"

// Writes "PROGRAM: cannot WHAT FILE: REASON" and a newline to |err|, the
// reason being errno's text. Returns false, so a caller reports and fails
// in one step.
bool report_errno(FILE *err, const char *program, const char *what, const char *file);

// Finishes |r| as finish_replacement does and reports a failure as above:
// "write" when the new content was not written, |rename_what| (the tool's
// word for it) when the rename failed. Returns whether |name| holds the new
// content.
bool finish_replacement_reported(Replacement &r, const char *name, Sync sync, FILE *err,
                                 const char *program, const char *rename_what);

#endif  // FILEIO_REPORT_H
