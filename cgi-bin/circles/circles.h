// The circle page: reads a length (a decimal plus an optional fraction) and
// whether it is the radius or the diameter, echoes the input, and prints
// either the fraction error or the circle's measures, then the form.
#ifndef CGI_BIN_CIRCLES_CIRCLES_H
#define CGI_BIN_CIRCLES_CIRCLES_H

#include <cstdio>

// The request's error code: 0, or 1 when the fraction is incomplete or its
// denominator converts to zero. circles_page resets it for each request.
extern int error_type;

// Writes the error block for |code| to |out|: five lines for code 1,
// nothing for any other code.
void errorMessage(FILE *out, int code);

// What one request asks, read as circles_page reads it.
struct CircleRequest {
  bool isRadius;  // "dimension" starts with 'r'; otherwise the length is the diameter
  int error;      // the request's error code, as error_type holds it
  double radius;  // 0 when |error| is not 0
};

// Reads the fields of |query| (nullptr counts as the empty query; only its
// first 2047 bytes are read) into a CircleRequest. Sets nothing
// program-wide.
CircleRequest readCircleRequest(const char *query);

// Serves one request: the fields "length", "length_num", "length_den" and
// "dimension" of |query| (nullptr counts as the empty query; only its first
// 2047 bytes are read). Values are used raw; every echoed value is
// HTML-escaped. Writes the whole fragment to |out| and returns 0, the
// program's exit status.
int circles_page(FILE *out, const char *query);

#endif  // CGI_BIN_CIRCLES_CIRCLES_H
