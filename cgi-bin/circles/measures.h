// The result block of the circle page: radius, diameter, area and
// circumference, each number shown as a whole part with the sixteenths of
// its fractional part and as a three-place decimal.
#ifndef CGI_BIN_CIRCLES_MEASURES_H
#define CGI_BIN_CIRCLES_MEASURES_H

#include <cstdio>

// The program's scratch buffer, handed to fractionAndDecimal by every
// caller and handed back by it; nothing is stored in it.
extern char buffer[80];

// Writes the measure text of |value| to |out|: " %.0f%s (%.3f) " with the
// whole part, the whole sixteenths of the fractional part (truncated, never
// rounded up; " 1/8", or a lone space for none) and the value. A negative
// value that is not whole shows the sixteenths of its magnitude after its
// signed whole part, so -2.5 gives " -2 1/2 (-2.500) " and -0.5 gives
// " -0 1/2 (-0.500) ". Infinities and values that are not a number show the
// lone space. Returns |buf|, unchanged.
char *fractionAndDecimal(FILE *out, char *buf, double value);

// The area pi * r * r and the circumference 2 * pi * r of a circle of
// |radius|, as the result lines print them.
double circleArea(double radius);
double circleCircumference(double radius);

// Writes the three result lines for a circle of |radius| to |out|: radius
// and diameter, area, circumference, each line ended by "<br>\n".
void findAreaAndCircumference(FILE *out, double radius);

#endif  // CGI_BIN_CIRCLES_MEASURES_H
