// Failure reports of the command-line tools, one line each on their error
// stream.
#ifndef FILEIO_REPORT_H
#define FILEIO_REPORT_H

#include <cstdio>

// Writes "PROGRAM: cannot WHAT FILE: REASON" and a newline to |err|, the
// reason being errno's text. Returns false, so a caller reports and fails
// in one step.
bool report_errno(FILE *err, const char *program, const char *what, const char *file);

#endif  // FILEIO_REPORT_H
