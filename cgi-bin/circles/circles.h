// The circle page: reads a length (a decimal plus an optional fraction) and
// whether it is the radius or the diameter, echoes the input, and prints
// either the fraction error or the circle's measures, then the form.
#ifndef CGI_BIN_CIRCLES_CIRCLES_H
#define CGI_BIN_CIRCLES_CIRCLES_H

#include <cstdio>

#include "cgi-bin/circles/measures.h"

// Writes the error block for |code| to |out|: five lines for code 1,
// nothing for any other code.
void errorMessage(FILE *out, int code);

// Everything the page prints for one request, computed once: the fragment
// and the picture are both drawn from it.
struct CircleAnswer {
  // The fields as sent, raw and cut to their buffers. The dimension buffer
  // holds "diameter"; only its first character is ever tested.
  char dimension[9], length[256], num[256], den[256];
  bool hasFraction;  // a numerator or a denominator was given
  bool isRadius;     // "dimension" starts with 'r'; otherwise the length is the diameter
  int error;         // 0, or 1 when the fraction is incomplete or its denominator converts to 0
  CircleMeasures measures;  // of the circle asked for; all 0 when |error| is not 0
};

// Reads the fields "length", "length_num", "length_den" and "dimension"
// of |query| (nullptr counts as the empty query; only its first kFormMax bytes
// are read) and computes the circle they ask for.
void answerCircle(CircleAnswer *answer, const char *query);

// Writes the page for |answer| to |out|: the input echoed (HTML-escaped),
// the fraction error or the measures, then the form.
void writeCircle(FILE *out, const CircleAnswer &answer);

// Serves one request: answerCircle, then writeCircle. Returns 0, the
// program's exit status.
int circles_page(FILE *out, const char *query);

#endif  // CGI_BIN_CIRCLES_CIRCLES_H
