// The colour-chip generator: turns each colour list ("red green blue name"
// records) into a file of chip lines, one HTML fragment per colour, for the
// site's page of colour chips.
#ifndef TOOLS_TINCTOR_TINCTOR_H
#define TOOLS_TINCTOR_TINCTOR_H

#include <cstdio>

#include "colours/colour_list.h"

// Reads the colour list |list| and writes one chip line per record to
// |output|, in list order, the name HTML-escaped (& < > " '). The lines go
// to a new temporary file beside |output| (never following a link), which
// is flushed to the disk and renamed over |output| once complete: a list
// that cannot be opened, or a write, flush or rename that fails, leaves the
// previous |output| as it was, and the temporary file is removed. A record
// that cannot be read whole (a component that is not a decimal int, a list
// ending inside a record, a name longer than kChipNameMax bytes) or a read
// error ends the conversion: |output| then holds the lines before it.
// Every failure is reported on |err| with the file's name. Returns true when
// the whole list was converted and |output| replaced without error.
bool convert_list(const char *list, const char *output, FILE *err);

// Converts "rgbp.txt" to "rgb", then "grayp.txt" to "gray", in the working
// directory; "rgb" is complete and closed before "grayp.txt" is opened. A
// failing pair is reported on |err| and does not stop the other one.
// Returns the process exit status: 0 when both pairs converted, else 1.
int convert_lists(FILE *err);

// Writes the tool's twelve-line help text, each line ending in a newline,
// to |out|.
void help(FILE *out);

#endif  // TOOLS_TINCTOR_TINCTOR_H
