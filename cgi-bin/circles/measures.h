// The result block of the circle page: radius, diameter, area and
// circumference, each number shown as a whole part with the sixteenths of
// its fractional part and as a three-place decimal.
#ifndef CGI_BIN_CIRCLES_MEASURES_H
#define CGI_BIN_CIRCLES_MEASURES_H

#include <cstddef>
#include <cstdio>

// The measures of a circle as the result lines print them.
struct CircleMeasures {
  double radius;
  double diameter;       // radius + radius
  double area;           // (pi * radius) * radius
  double circumference;  // 2 * pi * radius
};

// The measures of the circle of |radius|.
CircleMeasures circleMeasures(double radius);

// Room for the measure text of any double: two numbers of up to 309 digits
// with their signs, decimals, the sixteenths and the brackets.
inline constexpr std::size_t kMeasureTextSize = 700;

// The measure text of |value|: "%.0f%s (%.3f)" with the whole part, the
// whole sixteenths of the fractional part (truncated, never rounded up;
// " 1/8", or a lone space for none) and the value. A negative value that is
// not whole shows the sixteenths of its magnitude after its signed whole
// part, so -2.5 gives "-2 1/2 (-2.500)" and -0.5 gives "-0 1/2 (-0.500)".
// Infinities and values that are not a number show the lone space. Numbers
// are written in the process's numeric locale.
void measureText(char (&text)[kMeasureTextSize], double value);

// Writes the measure text of |value| between two blanks to |out|.
void fractionAndDecimal(FILE *out, double value);

// Writes the three result lines for |m| to |out|: radius and diameter,
// area, circumference, each line ended by "<br>\n".
void writeMeasures(FILE *out, const CircleMeasures &m);

#endif  // CGI_BIN_CIRCLES_MEASURES_H
